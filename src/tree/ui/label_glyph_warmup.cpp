#include "tree/ui/label_glyph_warmup.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTimer>

namespace quarrow::ui {
namespace {

// The fractional positions a glyph's picture is kept for: a line drawn once at each of these
// offsets puts every character at each of them.
constexpr int kFractions = 4;

QString PrintableAscii() {
    QString text;
    for (char16_t c = 0x21; c < 0x7f; ++c) {
        text += QChar(c);
    }
    return text;
}

}  // namespace

LabelGlyphWarmup::LabelGlyphWarmup(QAbstractItemView& view) : QObject(&view), m_view(view) {
    view.installEventFilter(this);
}

bool LabelGlyphWarmup::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_view && (event->type() == QEvent::Show || event->type() == QEvent::FontChange)) {
        Schedule();
    }
    return QObject::eventFilter(watched, event);
}

void LabelGlyphWarmup::Schedule() {
    if (m_pending) {
        return;
    }
    m_pending = true;
    // A timer: it comes after the paints the show or the change asked for.
    QTimer::singleShot(0, this, &LabelGlyphWarmup::Warm);
}

void LabelGlyphWarmup::Warm() {
    m_pending = false;
    const QFont font = m_view.font();
    if (m_warmed && font == m_font) {
        return;  // shown again: the glyphs are still kept
    }
    m_warmed = true;
    m_font = font;
    const QString text = PrintableAscii();
    const QFontMetricsF metrics(font);
    QImage image(static_cast<int>(metrics.horizontalAdvance(text)) + 2, static_cast<int>(metrics.height()) + 1,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(font);
    for (int i = 0; i < kFractions; ++i) {
        painter.drawText(QPointF(static_cast<qreal>(i) / kFractions, metrics.ascent()), text);
    }
}

}  // namespace quarrow::ui
