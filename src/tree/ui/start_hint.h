#pragma once
// The words an empty window shows in the tree's area: how to make a tags file (Ctrl+N) and how
// to open one (Ctrl+O). Shown while the view holds no tags file, over the whole of its rows'
// area, and gone as soon as a file is shown.

#include <QLabel>

namespace quarrow::ui {

class StartHint final : public QLabel {
    Q_OBJECT
public:
    // Lies over `area` (the tree's viewport) and follows its size.
    explicit StartHint(QWidget& area);

    // Shown when no tags file is on show.
    void Update(bool fileShown);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace quarrow::ui
