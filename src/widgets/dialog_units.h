#pragma once
// Dialog units of a font: a quarter of the average character width across, an eighth of the
// line height down. The dialogs size their fields with them, so the arrangement keeps its
// proportions with whatever font the desktop uses.

#include <QFont>

namespace quarrow::ui {

class DialogUnits final {
public:
    explicit DialogUnits(const QFont& font);
    int X(int units) const;
    int Y(int units) const;

private:
    double m_baseX;
    double m_baseY;
};

}  // namespace quarrow::ui

#include <initializer_list>

class QWidget;

namespace quarrow::ui {

// Chains the widgets into the tab order in the order given.
void SetTabOrderChain(std::initializer_list<QWidget*> widgets);

}  // namespace quarrow::ui

namespace quarrow::ui {

// Gives the group boxes under `dialog` title rectangles wide enough for their whole text: some
// styles measure a title a little short, which cuts a full-width closing bracket ("」").
void FitGroupBoxTitles(QWidget* dialog);

}  // namespace quarrow::ui
