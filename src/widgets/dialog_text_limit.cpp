#include "widgets/dialog_text_limit.h"

#include <QCoreApplication>
#include <QLineEdit>

#include <algorithm>

namespace quarrow::ui {

namespace {

// Lets an edit grow only up to the cap, as an edit control's text limit does: an insertion that
// would pass it is cut to what still fits, and a longer text already there may only shrink. It
// acts on the user's edits alone, so a text the program sets is never cut.
class TypingCap final : public QObject {
public:
    TypingCap(QLineEdit* edit, int limit) : QObject(edit), m_edit(edit), m_limit(limit), m_current(edit->text()) {
        // The signal's text may be stale when a handler changed the text again; read it anew.
        connect(edit, &QLineEdit::textChanged, this, [this] {
            const QString now = m_edit->text();
            if (now != m_current) {
                m_previous = m_current;
                m_current = now;
            }
        });
        connect(edit, &QLineEdit::textEdited, this, &TypingCap::OnEdited);
    }

private:
    void OnEdited(const QString& text) {
        const QString& before = (m_current == text) ? m_previous : m_current;
        const int beforeLength = DialogTextLength(before);
        const int afterLength = DialogTextLength(text);
        if (afterLength <= m_limit || afterLength <= beforeLength) {
            return;
        }
        // The inserted text ends at the cursor; drop what does not fit from its end.
        QString cut = text;
        int pos = m_edit->cursorPosition();
        for (int excess = afterLength - std::max(m_limit, beforeLength); excess > 0 && pos > 0; --excess) {
            const bool pair = pos >= 2 && cut.at(pos - 1).isLowSurrogate() && cut.at(pos - 2).isHighSurrogate();
            const int width = pair ? 2 : 1;
            cut.remove(pos - width, width);
            pos -= width;
        }
        m_edit->setText(cut);
        m_edit->setCursorPosition(pos);
    }

    QLineEdit* m_edit;
    int m_limit;
    QString m_current;
    QString m_previous;
};

}  // namespace

QString TextLimitMessage(int limit) {
    return QCoreApplication::translate("DialogTextLimit", "%1 文字以内で入力してください。").arg(limit);
}

void CapTyping(QLineEdit* edit, int limit) { new TypingCap(edit, limit); }

int DialogTextLength(const QString& text) {
    int length = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate())) {
            ++length;
        }
    }
    return length;
}

}  // namespace quarrow::ui
