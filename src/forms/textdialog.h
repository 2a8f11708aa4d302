#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QPushButton>

class QCheckBox;
class QFormLayout;
class QHBoxLayout;
class QLineEdit;
class QVBoxLayout;

namespace skiff {

// A dialog around a text that may come from a page or a server (a page's alert, a site's
// realm, a certificate's fault). The one rule for all of them: the text shows as plain text,
// never read as markup; a long text scrolls in a box of its own; and the dialog fits the free
// area of its window's screen, so that its buttons are always in reach.
class TextDialog : public QDialog {
    Q_OBJECT
public:
    // A text longer than this in characters or lines, or with a word longer than this, scrolls.
    static constexpr int kShortChars = 500;
    static constexpr int kShortLines = 12;
    static constexpr int kLongestWord = 60;

    // What the dialog keeps from the user while it shows.
    enum class Blocks {
        Application,  // every window of the program
        // Its own window only, and of that window not the close box nor the window's keys
        // that close the window or quit (the parent window's actions with those keys).
        OwnWindow
    };

    TextDialog(QWidget* parent, const QString& title, const QString& text);

    // Boxes below the text, in the order added: a text box with a label, a check box.
    QLineEdit* addLineEdit(const QString& label, const QString& value = {});
    QCheckBox* addCheckBox(const QString& text);
    // Buttons, left to right. The default one answers Enter; the escape one (else the last
    // added) answers Escape and the dialog's close box.
    QPushButton* addButton(const QString& text, bool isDefault = false);
    void setEscapeButton(QPushButton* button) { m_escape = button; }

    // Shows the dialog and waits for its answer: the button pressed, or null when the program
    // took the dialog away (dismiss()) or it was deleted meanwhile. Callers that reuse the
    // dialog after a null answer hold it in a QPointer.
    QPushButton* run(Blocks blocks);
    // Takes the dialog away unanswered.
    void dismiss();

    // Whether `text` is long enough to scroll.
    static bool scrolls(const QString& text);

protected:
    void reject() override;

private:
    void fitToScreen();
    void press(QPushButton* button);

    QVBoxLayout* m_layout;
    QFormLayout* m_fields = nullptr;
    QHBoxLayout* m_buttons;
    QList<QPushButton*> m_buttonList;
    QPointer<QPushButton> m_escape;
    QPushButton* m_pressed = nullptr;
};

}  // namespace skiff
