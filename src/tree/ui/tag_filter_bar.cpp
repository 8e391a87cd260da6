#include "tree/ui/tag_filter_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>

namespace quarrow::ui {

TagFilterBar::TagFilterBar(QWidget* parent) : QWidget(parent), m_field(new QLineEdit(this)) {
    setObjectName(QStringLiteral("TagFilterBar"));
    setAutoFillBackground(true);  // it covers the tree's header entirely
    m_field->setObjectName(QStringLiteral("TagFilterField"));
    m_field->setPlaceholderText(tr("名前で絞り込み"));
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_field);
    // textChanged, not textEdited: the clear button empties the field too.
    connect(m_field, &QLineEdit::textChanged, this, &TagFilterBar::TextEdited);
}

QString TagFilterBar::Text() const { return m_field->text(); }

bool TagFilterBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Down:
            emit DownPressed();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit EnterPressed();
            return true;
        case Qt::Key_Escape:
            emit EscapePressed();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace quarrow::ui
