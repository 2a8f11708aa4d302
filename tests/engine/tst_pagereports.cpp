// What both engines' page questions report to the status bar, and when; and the page whose
// engine process stopped while its notice shows.
#include <QtTest>

#include "engine/enginequestions.h"
#include "engine/pagereports.h"

using namespace skiff;

class TestPageReports : public QObject {
    Q_OBJECT
private slots:
    void reportsFollowTheLoads_data();
    void reportsFollowTheLoads();
};

// Each row's steps, "start", "end", "report:TEXT", "crash:URL", "notice", run in order; the log
// holds each step, each message as ">TEXT", and "|" where the event loop runs after a step.
void TestPageReports::reportsFollowTheLoads_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("crashedUrl");
    const QString crash = QString(">") + enginequestions::kCrashMessage;
    QTest::newRow("no load: at once") << "report:A"
                                      << "report:A >A |"
                                      << "";
    QTest::newRow("during a load: after its end") << "start report:A end"
                                                  << "start | report:A | end | >A"
                                                  << "";
    QTest::newRow("the last report of a load") << "start report:A report:B end"
                                               << "start | report:A | report:B | end | >B"
                                               << "";
    QTest::newRow("a stopped page's notice")
        << "crash:u1 notice start end"
        << "crash:u1 | notice | start | end | " + crash << "u1";
    QTest::newRow("the first stopped page is kept")
        << "crash:u1 notice start crash:u2 end"
        << "crash:u1 | notice | start | crash:u2 | end | " + crash << "u1";
    QTest::newRow("another load leaves the stopped page")
        << "crash:u1 notice start end start"
        << "crash:u1 | notice | start | end | " + crash + " start |"
        << "";
}

void TestPageReports::reportsFollowTheLoads() {
    QFETCH(QString, steps);
    PageReports reports;
    QStringList log;
    connect(&reports, &PageReports::statusMessage,
            [&log](const QString& text) { log << ">" + text; });
    for (const QString& step : steps.split(' ')) {
        log << step;
        const QString argument = step.section(':', 1);
        if (step == "start") reports.loadStarted();
        if (step == "end") reports.loadEnded();
        if (step == "notice") reports.noticeLoading();
        if (step.startsWith("report:")) reports.report(argument);
        if (step.startsWith("crash:")) reports.crashed(argument);
        log << "|";
        QTest::qWait(1);
    }
    QTEST(log.join(' '), "log");
    QTEST(reports.crashedUrl(), "crashedUrl");
}

QTEST_GUILESS_MAIN(TestPageReports)
#include "tst_pagereports.moc"
