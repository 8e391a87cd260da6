#include "settings/ui/dialog_text_limit.h"

#include <QLineEdit>
#include <QValidator>

#include <algorithm>

namespace quarrow::ui {

namespace {

// Lets an edit grow only up to the cap, as an edit control's text limit does: an insertion that
// would pass it is cut to what still fits, and a longer text already there may only shrink.
class CapValidator final : public QValidator {
public:
    CapValidator(QLineEdit* edit, int limit) : QValidator(edit), m_edit(edit), m_limit(limit) {}

    State validate(QString& input, int& pos) const override {
        const int before = DialogTextLength(m_edit->text());
        const int after = DialogTextLength(input);
        if (after <= m_limit || after <= before) {
            return Acceptable;
        }
        // The inserted text ends at the cursor; drop what does not fit from its end.
        int excess = after - std::max(m_limit, before);
        while (excess > 0 && pos > 0) {
            int width = 1;
            if (pos >= 2 && input.at(pos - 1).isLowSurrogate() && input.at(pos - 2).isHighSurrogate()) {
                width = 2;
            }
            input.remove(pos - width, width);
            pos -= width;
            --excess;
        }
        return excess == 0 ? Acceptable : Invalid;
    }

private:
    QLineEdit* m_edit;
    int m_limit;
};

}  // namespace

QString TextLimitMessage(int limit) {
    return QStringLiteral("%1 文字以内で入力してください。").arg(limit);
}

void CapTyping(QLineEdit* edit, int limit) {
    edit->setValidator(new CapValidator(edit, limit));
}

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
