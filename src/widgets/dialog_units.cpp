#include "widgets/dialog_units.h"

#include <QFontMetricsF>

#include <cmath>

namespace quarrow::ui {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetricsF metrics(font);
    m_baseX = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0;
    m_baseY = metrics.height();
}

int DialogUnits::X(int units) const { return static_cast<int>(std::lround(units * m_baseX / 4.0)); }

int DialogUnits::Y(int units) const { return static_cast<int>(std::lround(units * m_baseY / 8.0)); }

}  // namespace quarrow::ui

#include <QWidget>

namespace quarrow::ui {

void SetTabOrderChain(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
}

}  // namespace quarrow::ui

#include <QGroupBox>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionGroupBox>

namespace quarrow::ui {

namespace {

class GroupTitleStyle final : public QProxyStyle {
public:
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override {
        QRect rect = QProxyStyle::subControlRect(control, option, sub, widget);
        if (control == CC_GroupBox && sub == SC_GroupBoxLabel) {
            rect.setWidth(rect.width() + option->fontMetrics.height() / 2);
        }
        return rect;
    }
};

}  // namespace

void FitGroupBoxTitles(QWidget* dialog) {
    auto* style = new GroupTitleStyle;
    style->setParent(dialog);
    for (QGroupBox* group : dialog->findChildren<QGroupBox*>()) {
        group->setStyle(style);
    }
}

}  // namespace quarrow::ui
