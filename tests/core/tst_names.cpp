#include <QtTest>

#include "core/names.h"

using namespace skiff;

class TestNames : public QObject {
    Q_OBJECT
private slots:
    void fileNamesLoseHiddenCharacters_data() {
        QTest::addColumn<QString>("suggested");
        QTest::addColumn<QString>("safe");
        QTest::newRow("override") << u"invoice\u202Etxt.exe"_qs << "invoicetxt.exe";
        QTest::newRow("newline") << "line1\nline2.txt"
                                 << "line1line2.txt";
        QTest::newRow("marks, embeddings, isolates")
            << u"a\u2066b\u2069\u200E\u200F\u061C\u202A\u202B\u202C\u202D.pdf"_qs << "ab.pdf";
        QTest::newRow("tab, DEL, C1") << u"tab\there\x7F\u0085\u009B.txt"_qs << "tabhere.txt";
        QTest::newRow("separator") << "../etc/passwd"
                                   << "..etcpasswd";
        QTest::newRow("spaces at the ends") << u"  \u202E report.pdf \n"_qs << "report.pdf";
        QTest::newRow("nothing left") << u" \u202E "_qs << "download";
        QTest::newRow("dot dot") << ".."
                                 << "download";
        QTest::newRow("letters of any script")
            << u"Zoë – Résumé ליאור.pdf"_qs << u"Zoë – Résumé ליאור.pdf"_qs;
    }
    void fileNamesLoseHiddenCharacters() {
        QFETCH(QString, suggested);
        QFETCH(QString, safe);
        QCOMPARE(safeFileName(suggested), safe);
    }

    // Names are cut to 255 bytes of UTF-8, keeping the extension and whole characters.
    void longFileNamesAreShortened_data() {
        QTest::addColumn<QString>("suggested");
        QTest::addColumn<QString>("safe");
        const auto times = [](const QString& s, int n) { return s.repeated(n); };
        QTest::newRow("304 letters") << times("a", 300) + ".pdf" << times("a", 251) + ".pdf";
        QTest::newRow("exactly 255 bytes") << times("a", 251) + ".pdf" << times("a", 251) + ".pdf";
        QTest::newRow("two bytes each")
            << times(u"é"_qs, 150) + ".txt" << times(u"é"_qs, 125) + ".txt";
        QTest::newRow("accents stay with their letter")
            << times(u"e\u0301"_qs, 100) + ".txt" << times(u"e\u0301"_qs, 83) + ".txt";
        QTest::newRow("four bytes each")
            << times(u"😀"_qs, 70) + ".png" << times(u"😀"_qs, 62) + ".png";
        QTest::newRow("no extension") << times("b", 300) << times("b", 255);
        QTest::newRow("ending too long for an extension")
            << times("c", 250) + "." + times("d", 50) << times("c", 250) + ".dddd";
    }
    void longFileNamesAreShortened() {
        QFETCH(QString, suggested);
        QFETCH(QString, safe);
        const QString shortened = safeFileName(suggested);
        QCOMPARE(shortened, safe);
        QVERIFY(shortened.toUtf8().size() <= 255);
    }

    void addressesShowHiddenCharactersEscaped_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("shown");
        QTest::newRow("override") << u"http://a.test/?\u202Egpj.exe"_qs
                                  << "http://a.test/?%E2%80%AEgpj.exe";
        QTest::newRow("newline") << "http://a.test/x\ny"
                                 << "http://a.test/x%0Ay";
        QTest::newRow("isolates and marks")
            << u"\u2067\u2069\u200F\u061C"_qs << "%E2%81%A7%E2%81%A9%E2%80%8F%D8%9C";
        QTest::newRow("space and letters stay")
            << u"http://a.test/a b/über"_qs << u"http://a.test/a b/über"_qs;
        QTest::newRow("escapes stay as they are") << "http://a.test/%E2%80%AE"
                                                  << "http://a.test/%E2%80%AE";
    }
    void addressesShowHiddenCharactersEscaped() {
        QFETCH(QString, address);
        QFETCH(QString, shown);
        QCOMPARE(shownAddress(address), shown);
    }

    void pastedAddressesLoseTheirLineBreaks_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("address");
        QTest::newRow("newline") << "http://a.test/\npath"
                                 << "http://a.test/path";
        QTest::newRow("CR LF and indent") << "http://a.test/long \r\n   rest"
                                          << "http://a.test/longrest";
        QTest::newRow("at the ends") << "\nhttp://a.test/\n"
                                     << "http://a.test/";
        QTest::newRow("line separator") << u"a\u2028b"_qs << "ab";
        QTest::newRow("inner spaces stay") << "fish and chips"
                                           << "fish and chips";
    }
    void pastedAddressesLoseTheirLineBreaks() {
        QFETCH(QString, pasted);
        QFETCH(QString, address);
        QCOMPARE(addressOnOneLine(pasted), address);
    }
};

QTEST_APPLESS_MAIN(TestNames)
#include "tst_names.moc"
