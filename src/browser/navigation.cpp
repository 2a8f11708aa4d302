// Navigation and search: every action ends in one call on the web component.

#include <QComboBox>
#include <QLineEdit>
#include <QValidator>
#include <algorithm>

#include "browser/frmmain.h"
#include "core/names.h"
#include "core/websearch.h"
#include "engine/webbrowser.h"

namespace skiff {

namespace {

// A javascript: address runs its script in the page on display. Typed into the address box or
// given on the command line there is no page for it to run in (the engine would show an empty
// page loading forever), so it is refused. An address counts as one whatever its case, with
// blanks or control characters before it and tabs or line breaks anywhere, as the engine
// reads addresses.
bool isScriptAddress(const QString& address) {
    QString text = address;
    text.removeIf([](QChar c) { return c == u'\t' || c == u'\n' || c == u'\r'; });
    const auto start = std::find_if(text.cbegin(), text.cend(), [](QChar c) { return c > u' '; });
    return QStringView(start, text.cend()).startsWith(u"javascript:", Qt::CaseInsensitive);
}

// Keeps an address on one line: line breaks pasted or dropped into the box go, with the spaces
// around them, before the text is shown or navigated to.
class OneLineAddress : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override {
        const QString joined = addressOnOneLine(input);
        if (joined != input) {
            pos = std::min(int(addressOnOneLine(input.left(pos)).size()), int(joined.size()));
            input = joined;
        }
        return Acceptable;
    }
};

}  // namespace

void FrmMain::keepAddressOnOneLine() {
    cboUrl_->setValidator(new OneLineAddress(cboUrl_));
}

// Every address given to the window goes here; false when it is refused.
bool FrmMain::openAddress(const QString& address) {
    if (isScriptAddress(address)) {
        wbMain_StatusTextChange(
            QStringLiteral("Addresses starting with javascript: are not opened."));
        return false;
    }
    if (address.size() > kMaxAddressLength) {
        wbMain_StatusTextChange(QStringLiteral("Addresses longer than 2 MB are not opened."));
        return false;
    }
    wbMain_->Navigate(address);
    return true;
}

void FrmMain::Go() {
    openAddress(addressText());
}

void FrmMain::Home() {
    wbMain_->GoHome();
}

void FrmMain::Refresh() {
    wbMain_->Refresh();
}

// Nowhere to go back or forward to, or nothing to stop: nothing happens.
void FrmMain::Back() {
    wbMain_->GoBack();
}
void FrmMain::Forward() {
    wbMain_->GoForward();
}
void FrmMain::Stop() {
    wbMain_->Stop();
}

// Enter in the address box: navigate to the text as typed, then show it with "http://" in
// front unless it already starts with "http://" or "ftp://", all of it selected. A refused
// address stays as typed.
void FrmMain::cboUrl_Enter() {
    const QString typed = addressText();
    const bool refused = !typed.isEmpty() && !openAddress(typed);

    const bool hasScheme = typed.left(7).toLower() == QLatin1String("http://") ||
                           typed.left(6).toLower() == QLatin1String("ftp://");
    if (!hasScheme && !refused) setAddressText(QStringLiteral("http://") + typed);
    QLineEdit* edit = cboUrl_->lineEdit();
    edit->setSelection(0, edit->text().length());
}

void FrmMain::Search() {
    wbMain_->Navigate(searchAddress(txtSearch_->text()));
    setWindowTitle(QStringLiteral("WebBrowser - Search Results"));
}

void FrmMain::txtSearch_GotFocus() {
    txtSearch_->clear();
}

void FrmMain::xpcmdSearch_LostFocus() {
    txtSearch_->setText(QStringLiteral("SEARCH..."));
}

}  // namespace skiff
