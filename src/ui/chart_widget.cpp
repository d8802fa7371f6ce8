#include "ui/chart_widget.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zeltar {

namespace {

constexpr int Margin = 8; // around the whole chart
constexpr int Gap = 4;    // between the plot and the axis texts
constexpr int TickLength = 3;
constexpr qreal LineWidth = 2.0;
const QColor GridColor(0xe0, 0xe0, 0xe0);
const QColor FrameColor(0x80, 0x80, 0x80);

// A range that can be drawn: min below max, a single value widened around itself.
ChartRange Drawable(ChartRange range)
{
    if (range.min > range.max)
        std::swap(range.min, range.max);
    if (range.min == range.max) {
        const double half = std::max(1.0, std::abs(range.min) * 0.05);
        range = {range.min - half, range.max + half};
    }
    return range;
}

// Orders NaN after every number so that sorting never sees an inconsistent comparison.
bool XLess(double a, double b)
{
    return a < b || (!std::isnan(a) && std::isnan(b));
}

QFont TitleFont(QFont font)
{
    font.setBold(true);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 1.2);
    return font;
}

QString LabelText(const ChartPoint &point)
{
    return point.label.isEmpty() ? QLocale().toString(point.x) : point.label;
}

// Cuts the segment a-b to the rectangle xs x ys of chart values (parametric clipping);
// false when nothing of it lies inside. An end that is cut lies on the edge that cut it,
// set exactly: for a segment from far above to far below a fixed range, the interval of
// the segment inside the range is too short to survive rounding, but its edges are known.
bool ClipSegment(const ChartRange &xs, const ChartRange &ys, QPointF &a, QPointF &b)
{
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    if (!std::isfinite(dx) || !std::isfinite(dy))
        return false;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - xs.min, xs.max - a.x(), a.y() - ys.min, ys.max - a.y()};
    const double edge[4] = {xs.min, xs.max, ys.min, ys.max};
    double enter = 0.0;
    double leave = 1.0;
    int enterEdge = -1;
    int leaveEdge = -1;
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0)
                return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0.0 && t > enter) {
            enter = t;
            enterEdge = k;
        } else if (p[k] > 0.0 && t < leave) {
            leave = t;
            leaveEdge = k;
        }
    }
    if (enter > leave + 1e-12)
        return false;

    const auto pointAt = [&](double t, int edgeIndex) {
        QPointF point(a.x() + t * dx, a.y() + t * dy);
        if (edgeIndex == 0 || edgeIndex == 1)
            point.setX(edge[edgeIndex]);
        else if (edgeIndex == 2 || edgeIndex == 3)
            point.setY(edge[edgeIndex]);
        return point;
    };
    const QPointF start = pointAt(enter, enterEdge);
    const QPointF end = pointAt(std::max(enter, leave), leaveEdge);
    a = start;
    b = end;
    return true;
}

} // namespace

// Where everything goes at the widget's present size.
struct ChartWidget::Layout
{
    QRect plot;
    ChartRange value;
    ChartRange bottom;
    QVector<AxisTick> ticks;
    int labelBand = 0; // height of the turned bottom labels
    QRect title;

    QPointF map(double x, double y) const
    {
        const QRectF area(plot);
        return QPointF(area.left() + (x - bottom.min) / (bottom.max - bottom.min) * area.width(),
                       area.top() + (value.max - y) / (value.max - value.min) * area.height());
    }
};

ChartWidget::ChartWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartWidget::clear()
{
    if (m_points.isEmpty())
        return;
    m_points.clear();
    update();
}

void ChartWidget::addPoint(double x, double y, const QString &label, const QColor &color)
{
    const auto place = std::upper_bound(
        m_points.begin(), m_points.end(), x,
        [](double value, const ChartPoint &point) { return XLess(value, point.x); });
    m_points.insert(place, ChartPoint{x, y, label, color});
    update();
}

void ChartWidget::setPoints(QVector<ChartPoint> points)
{
    std::stable_sort(points.begin(), points.end(),
                     [](const ChartPoint &a, const ChartPoint &b) { return XLess(a.x, b.x); });
    if (points == m_points)
        return;
    m_points = std::move(points);
    update();
}

bool ChartWidget::Axis::fix(double min, double max)
{
    if (!std::isfinite(min) || !std::isfinite(max))
        return false;
    const ChartRange range = Drawable({min, max});
    if (!automatic && fixed == range)
        return false;
    automatic = false;
    fixed = range;
    return true;
}

bool ChartWidget::Axis::follow()
{
    if (automatic)
        return false;
    automatic = true;
    return true;
}

ChartRange ChartWidget::Axis::range(const QVector<ChartPoint> &points) const
{
    if (!automatic)
        return fixed;
    ChartRange span{0.0, 1.0};
    bool found = false;
    for (const ChartPoint &point : points) {
        const double v = point.*value;
        if (!std::isfinite(v))
            continue;
        span = found ? ChartRange{std::min(span.min, v), std::max(span.max, v)} : ChartRange{v, v};
        found = true;
    }
    if (!found)
        return span;
    if (span.min == span.max)
        return Drawable(span);
    const double extra = (span.max - span.min) * margin;
    return {span.min - extra, span.max + extra};
}

void ChartWidget::setValueRange(double min, double max)
{
    if (m_valueAxis.fix(min, max))
        update();
}

void ChartWidget::setAutomaticValueRange()
{
    if (m_valueAxis.follow())
        update();
}

ChartRange ChartWidget::valueRange() const
{
    return m_valueAxis.range(m_points);
}

void ChartWidget::setBottomRange(double min, double max)
{
    if (m_bottomAxis.fix(min, max))
        update();
}

void ChartWidget::setBottomAutomatic()
{
    if (m_bottomAxis.follow())
        update();
}

ChartRange ChartWidget::bottomRange() const
{
    return m_bottomAxis.range(m_points);
}

void ChartWidget::setTitle(const QString &title)
{
    if (m_title == title)
        return;
    m_title = title;
    update();
}

QRect ChartWidget::plotArea() const
{
    return computeLayout().plot;
}

QPointF ChartWidget::mapToWidget(double x, double y) const
{
    return computeLayout().map(x, y);
}

QSize ChartWidget::sizeHint() const
{
    return QSize(400, 300);
}

QSize ChartWidget::minimumSizeHint() const
{
    return QSize(120, 90);
}

ChartWidget::Layout ChartWidget::computeLayout() const
{
    Layout layout;
    layout.value = valueRange();
    layout.bottom = bottomRange();
    const QFontMetrics metrics = fontMetrics();
    QRect area = rect().adjusted(Margin, Margin, -Margin, -Margin);

    if (!m_title.isEmpty()) {
        const int titleHeight = QFontMetrics(TitleFont(font()), this).height();
        layout.title = QRect(area.left(), area.top(), area.width(), titleHeight);
        area.setTop(area.top() + titleHeight + Gap);
    }

    // The turned labels need the width of the widest one, but never more than a third of
    // the height; longer ones are cut at their start.
    int widest = 0;
    for (const ChartPoint &point : m_points)
        widest = std::max(widest, metrics.horizontalAdvance(LabelText(point)));
    if (widest > 0)
        widest += 2; // advances are rounded; eliding measures exactly
    layout.labelBand = std::min(widest, area.height() / 3);

    // Half a line above and to the right so that the outermost texts are not cut.
    const int top = area.top() + metrics.height() / 2;
    const int bottom = area.bottom() - layout.labelBand - Gap;
    const int plotHeight = std::max(1, bottom - top);
    layout.ticks = ValueAxisTicks(layout.value, std::max(2, plotHeight / (2 * metrics.height())));

    int axisWidth = 0;
    for (const AxisTick &tick : layout.ticks)
        axisWidth = std::max(axisWidth, metrics.horizontalAdvance(tick.text));
    const int left = area.left() + axisWidth + Gap + TickLength;
    const int right = area.right() - metrics.height() / 2;
    layout.plot = QRect(QPoint(left, top), QPoint(std::max(left, right), std::max(top, bottom)));
    return layout;
}

void ChartWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const Layout layout = computeLayout();
    if (layout.plot.width() < 2 || layout.plot.height() < 2)
        return;

    painter.fillRect(layout.plot, Qt::white);
    painter.setPen(palette().color(QPalette::WindowText));
    drawValueAxis(painter, layout);
    drawBottomAxis(painter, layout);
    painter.setPen(FrameColor);
    painter.drawRect(layout.plot.adjusted(0, 0, -1, -1));
    // The line goes over the frame so that values at the edge of the axis stay visible.
    drawSeries(painter, layout);

    if (!m_title.isEmpty()) {
        painter.setFont(TitleFont(font()));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(layout.title, Qt::AlignCenter, m_title);
    }
}

void ChartWidget::drawValueAxis(QPainter &painter, const Layout &layout) const
{
    DrawValueTicks(painter, layout.plot, layout.value, layout.ticks);
}

void ChartWidget::drawBottomAxis(QPainter &painter, const Layout &layout) const
{
    if (layout.labelBand <= 0)
        return;
    const QPen textPen = painter.pen();
    const QRect &plot = layout.plot;
    const QFontMetrics metrics = fontMetrics();
    const int textHeight = metrics.height();
    double lastLabel = -std::numeric_limits<double>::infinity();
    for (const ChartPoint &point : m_points) {
        if (!std::isfinite(point.x))
            continue;
        const double x = layout.map(point.x, 0.0).x();
        if (x < plot.left() - 0.5 || x > plot.left() + plot.width() + 0.5)
            continue;
        if (x - lastLabel < textHeight)
            continue; // it would overlap the label before it
        lastLabel = x;

        const int pixelX = qRound(x);
        painter.setPen(GridColor);
        painter.drawLine(pixelX, plot.top(), pixelX, plot.bottom());
        painter.setPen(textPen);
        painter.drawLine(pixelX, plot.bottom() + 1, pixelX, plot.bottom() + TickLength);

        // Turned to read upwards, ending just below the axis.
        painter.save();
        painter.translate(x, plot.bottom() + Gap + layout.labelBand);
        painter.rotate(-90.0);
        const QString text = metrics.elidedText(LabelText(point), Qt::ElideLeft, layout.labelBand);
        painter.drawText(QRectF(0.0, -textHeight / 2.0, layout.labelBand, textHeight),
                         Qt::AlignRight | Qt::AlignVCenter, text);
        painter.restore();
    }
}

void ChartWidget::drawSeries(QPainter &painter, const Layout &layout) const
{
    if (m_points.isEmpty())
        return;
    painter.save();
    painter.setClipRect(layout.plot);
    painter.setRenderHint(QPainter::Antialiasing);

    // Segments are cut to the axes, widened by the pen, before they are turned into pixels,
    // so that values far outside a fixed range never reach the painter.
    const double xPerPixel = (layout.bottom.max - layout.bottom.min) / layout.plot.width();
    const double yPerPixel = (layout.value.max - layout.value.min) / layout.plot.height();
    const ChartRange xs{layout.bottom.min - LineWidth * xPerPixel,
                        layout.bottom.max + LineWidth * xPerPixel};
    const ChartRange ys{layout.value.min - LineWidth * yPerPixel,
                        layout.value.max + LineWidth * yPerPixel};

    if (m_points.size() == 1) {
        const ChartPoint &point = m_points.first();
        QPointF a(point.x, point.y);
        QPointF b = a;
        if (ClipSegment(xs, ys, a, b)) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(point.color);
            painter.drawEllipse(layout.map(a.x(), a.y()), LineWidth, LineWidth);
        }
    }

    QPen pen;
    pen.setWidthF(LineWidth);
    pen.setCapStyle(Qt::RoundCap);
    for (int i = 1; i < m_points.size(); ++i) {
        const ChartPoint &from = m_points.at(i - 1);
        const ChartPoint &to = m_points.at(i);
        QPointF a(from.x, from.y);
        QPointF b(to.x, to.y);
        if (!ClipSegment(xs, ys, a, b))
            continue;
        pen.setColor(to.color);
        painter.setPen(pen);
        painter.drawLine(layout.map(a.x(), a.y()), layout.map(b.x(), b.y()));
    }
    painter.restore();
}

} // namespace zeltar
