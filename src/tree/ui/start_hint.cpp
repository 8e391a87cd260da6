#include "tree/ui/start_hint.h"

#include <QEvent>

namespace quarrow::ui {

StartHint::StartHint(QWidget& area) : QLabel(&area) {
    setObjectName(QStringLiteral("StartHint"));
    setText(tr("TAGSファイルが表示されていません。\n\n"
               "Ctrl+N　ソースのフォルダから TAGSファイルを作成します。\n"
               "Ctrl+O　TAGSファイルを開きます。"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setWordWrap(true);
    setMargin(12);
    setEnabled(false);  // drawn in the greyed text colour, and the clicks go to the tree
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(area.rect());
    area.installEventFilter(this);
    hide();
}

void StartHint::Update(bool fileShown) {
    if (!fileShown) {
        setGeometry(parentWidget()->rect());
        raise();
    }
    setVisible(!fileShown);
}

bool StartHint::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    }
    return QLabel::eventFilter(watched, event);
}

}  // namespace quarrow::ui
