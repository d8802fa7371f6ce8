#include "ui/range_chart_widget.h"

#include "acquisition/polling_state.h"
#include "core/number_text.h"
#include "ui/archive_cell_delegate.h"
#include "ui/chart_fill.h"

#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QSvgGenerator>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace zeltar {

namespace {

constexpr int Margin = 8;
constexpr int Gap = 4;
constexpr int TickLength = 3;
constexpr qreal LineWidth = 1.5;
constexpr double ShortestWindow = 10.0; // seconds
constexpr int TimeLabelWidth = 90;      // pixels a time label may take
const QColor FrameColor(0x80, 0x80, 0x80);
const QColor CursorColor(0x30, 0x60, 0xc0);

QString ValueText(double value)
{
    if (const std::optional<CellMark> mark = ZnacCellRule(value))
        return mark->text;
    return FormatNumber(value);
}

} // namespace

RangeChartWidget::RangeChartWidget(QWidget *parent)
    : QWidget(parent), m_band(new QRubberBand(QRubberBand::Rectangle, this))
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
}

void RangeChartWidget::setSeries(HistorySeries series)
{
    m_series = std::move(series);
    resetView();
}

void RangeChartWidget::clear()
{
    setSeries(HistorySeries());
}

bool RangeChartWidget::isZoomed() const
{
    if (m_series.size() == 0)
        return false;
    return m_valueFixed || m_from > double(m_series.moment(0)) ||
           m_to < double(m_series.moment(m_series.size() - 1));
}

std::pair<WallSeconds, WallSeconds> RangeChartWidget::shownMoments() const
{
    if (m_series.size() == 0)
        return {0, -1};
    return {std::max(WallSeconds(std::ceil(m_from)), m_series.moment(0)),
            std::min(WallSeconds(std::floor(m_to)), m_series.moment(m_series.size() - 1))};
}

void RangeChartWidget::resetView()
{
    m_valueFixed = false;
    m_cursor = -1;
    if (m_series.size() == 0) {
        m_from = 0;
        m_to = 1;
    } else {
        m_from = double(m_series.moment(0));
        m_to = std::max(double(m_series.moment(m_series.size() - 1)), m_from + ShortestWindow);
    }
    update();
    emit viewChanged();
}

void RangeChartWidget::setTimeWindow(double from, double to)
{
    if (to - from < ShortestWindow) {
        const double centre = (from + to) / 2;
        from = centre - ShortestWindow / 2;
        to = centre + ShortestWindow / 2;
    }
    m_from = from;
    m_to = to;
    update();
    emit viewChanged();
}

void RangeChartWidget::zoomTime(double factor, double moment)
{
    setTimeWindow(moment - (moment - m_from) * factor, moment + (m_to - moment) * factor);
}

void RangeChartWidget::panTime(double seconds)
{
    setTimeWindow(m_from + seconds, m_to + seconds);
}

QRect RangeChartWidget::plotIn(const QSize &size) const
{
    const QFontMetrics metrics = fontMetrics();
    const int axisWidth = metrics.horizontalAdvance(QStringLiteral("-000000,00"));
    const QRect area = QRect(QPoint(0, 0), size).adjusted(Margin, Margin, -Margin, -Margin);
    const int top = area.top() + metrics.height() / 2;
    const int bottom = area.bottom() - 2 * metrics.height() - Gap;
    const int left = area.left() + axisWidth + Gap + TickLength;
    const int right = area.right() - metrics.height() / 2;
    return QRect(QPoint(left, top), QPoint(std::max(left + 1, right), std::max(top + 1, bottom)));
}

QRect RangeChartWidget::plotArea() const
{
    return plotIn(size());
}

double RangeChartWidget::momentAt(double x) const
{
    const QRect plot = plotArea();
    return m_from + (x - plot.left()) * (m_to - m_from) / plot.width();
}

double RangeChartWidget::xOf(double moment) const
{
    const QRect plot = plotArea();
    return plot.left() + (moment - m_from) * plot.width() / (m_to - m_from);
}

double RangeChartWidget::valueAt(double y) const
{
    const QRect plot = plotArea();
    const ChartRange values = valueRange();
    return values.max - (y - plot.top()) * (values.max - values.min) / plot.height();
}

ChartRange RangeChartWidget::valueRange() const
{
    ChartRange values;
    visiblePoints(plotArea().width(), &values);
    return values;
}

QVector<ChartPoint> RangeChartWidget::visiblePoints(int columns, ChartRange *values) const
{
    const QVector<int> chosen = DecimatedRecords(m_series, m_from, m_to, columns);
    ValueSpan span;
    for (int i : chosen) {
        if (m_series.isMark(i))
            continue;
        const double value = m_series.values.at(i);
        span.min = span.empty ? value : std::min(span.min, value);
        span.max = span.empty ? value : std::max(span.max, value);
        span.empty = false;
    }
    *values = m_valueFixed ? m_values : ValueAxisOver(span);
    const auto read = [&](int k) {
        return ChartRecord{m_series.values.at(chosen.at(k)), QString()};
    };
    QVector<ChartPoint> points =
        ArchiveChartPoints(int(chosen.size()), read, int(chosen.size()), values->max);
    for (int k = 0; k < points.size(); ++k)
        points[k].x = double(m_series.moment(chosen.at(k)));
    return points;
}

void RangeChartWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintChart(painter, size());
    if (m_cursor >= 0 && m_cursor < m_series.size()) {
        const QRect plot = plotArea();
        const double x = xOf(double(m_series.moment(m_cursor)));
        if (x >= plot.left() && x <= plot.right()) {
            painter.setPen(QPen(CursorColor, 1, Qt::DashLine));
            painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
    }
}

void RangeChartWidget::paintChart(QPainter &painter, const QSize &size) const
{
    painter.fillRect(QRect(QPoint(0, 0), size), palette().window());
    const QRect plot = plotIn(size);
    ChartRange values;
    const QVector<ChartPoint> points = visiblePoints(plot.width(), &values);
    m_drawnRecords = int(points.size());
    painter.fillRect(plot, Qt::white);
    painter.setPen(palette().color(QPalette::WindowText));
    drawValueAxis(painter, plot, values);
    if (!points.isEmpty())
        drawTimeAxis(painter, plot);
    painter.setPen(FrameColor);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    if (points.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(plot.adjusted(Gap, 0, -Gap, 0), Qt::AlignCenter | Qt::TextWordWrap,
                         QStringLiteral("Нет записей за выбранное время"));
        return;
    }
    drawLine(painter, plot, points, values);
}

void RangeChartWidget::drawValueAxis(QPainter &painter, const QRect &plot,
                                     const ChartRange &values) const
{
    const int textHeight = painter.fontMetrics().height();
    DrawValueTicks(painter, plot, values,
                   ValueAxisTicks(values, std::max(2, plot.height() / (2 * textHeight))));
}

void RangeChartWidget::drawTimeAxis(QPainter &painter, const QRect &plot) const
{
    DrawTimeTicks(painter, plot, m_from, m_to, TimeLabelWidth);
}

void RangeChartWidget::drawLine(QPainter &painter, const QRect &plot,
                                const QVector<ChartPoint> &points, const ChartRange &values) const
{
    painter.save();
    painter.setClipRect(plot);
    // A dense line (several records a pixel column) is drawn fine and without smoothing,
    // which looks the same there and costs a fraction.
    const bool dense = points.size() > plot.width();
    painter.setRenderHint(QPainter::Antialiasing, !dense);
    const double xScale = plot.width() / (m_to - m_from);
    const double yScale = plot.height() / (values.max - values.min);
    // Far outside the plot only the direction matters; keep the painter's numbers small.
    const auto map = [&](const ChartPoint &point) {
        return QPointF(std::clamp(plot.left() + (point.x - m_from) * xScale, -1e5, 1e5),
                       std::clamp(plot.top() + (values.max - point.y) * yScale, -1e5, 1e5));
    };
    QPen pen;
    pen.setWidthF(dense ? 1.0 : LineWidth);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    if (points.size() == 1) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(points.first().color);
        painter.drawEllipse(map(points.first()), 2 * LineWidth, 2 * LineWidth);
    }
    // Runs of segments of one colour go to the painter as one polyline.
    QPolygonF run;
    QColor runColor;
    for (int i = 1; i < points.size(); ++i) {
        const ChartPoint &point = points.at(i);
        if (point.color != runColor && !run.isEmpty()) {
            pen.setColor(runColor);
            painter.setPen(pen);
            painter.drawPolyline(run);
            run.clear();
        }
        if (run.isEmpty())
            run.append(map(points.at(i - 1)));
        run.append(map(point));
        runColor = point.color;
    }
    if (!run.isEmpty()) {
        pen.setColor(runColor);
        painter.setPen(pen);
        painter.drawPolyline(run);
    }
    painter.restore();
}

QString RangeChartWidget::readoutAt(double moment) const
{
    const int i = m_series.nearest(moment);
    if (i < 0)
        return {};
    return WallText(m_series.moment(i)) + QStringLiteral("   ") + ValueText(m_series.values.at(i));
}

void RangeChartWidget::setCursorAt(double x)
{
    const int i = m_series.nearest(momentAt(x));
    if (i == m_cursor)
        return;
    m_cursor = i;
    update();
    emit readoutChanged(i < 0 ? QString() : readoutAt(double(m_series.moment(i))));
}

bool RangeChartWidget::savePicture(const QString &path, const QString &title, QString *error) const
{
    const QSize pictureSize = size().expandedTo(QSize(640, 400));
    // The title above the chart, so that a picture says on its own what it shows.
    const int titleHeight = title.isEmpty() ? 0 : fontMetrics().height() + 2 * Gap;
    const auto paint = [&](QPainter &painter) {
        painter.fillRect(QRect(QPoint(0, 0), pictureSize), palette().window());
        if (titleHeight > 0) {
            QFont bold = painter.font();
            bold.setBold(true);
            painter.setFont(bold);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(QRect(0, Gap, pictureSize.width(), titleHeight - Gap),
                             Qt::AlignHCenter | Qt::AlignTop, title);
            painter.setFont(font());
            painter.translate(0, titleHeight);
        }
        paintChart(painter, pictureSize - QSize(0, titleHeight));
    };
    bool saved = false;
    if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(pictureSize);
        svg.setViewBox(QRect(QPoint(0, 0), pictureSize));
        svg.setTitle(title.isEmpty() ? QStringLiteral("График") : title);
        QPainter painter;
        if (painter.begin(&svg)) {
            paint(painter);
            saved = painter.end() && QFileInfo(path).size() > 0;
        }
    } else {
        QImage image(pictureSize, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        paint(painter);
        painter.end();
        saved = image.save(path, "PNG");
    }
    if (!saved && error)
        *error = QStringLiteral("Не могу сохранить файл %1").arg(path);
    return saved;
}

QSize RangeChartWidget::sizeHint() const
{
    return QSize(500, 300);
}

QSize RangeChartWidget::minimumSizeHint() const
{
    return QSize(200, 120);
}

void RangeChartWidget::wheelEvent(QWheelEvent *event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0 || m_series.size() == 0)
        return;
    zoomTime(std::pow(0.8, steps), momentAt(event->position().x()));
    event->accept();
}

void RangeChartWidget::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        m_drag = Drag::Zoom;
        m_band->setGeometry(QRect(m_pressed, QSize()));
        m_band->show();
    } else if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
        m_drag = Drag::Pan;
        m_panFrom = m_from;
        setCursor(Qt::ClosedHandCursor);
    }
}

void RangeChartWidget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (m_drag == Drag::Zoom)
        m_band->setGeometry(QRect(m_pressed, at).normalized());
    if (m_drag == Drag::Pan) {
        const double seconds = (m_pressed.x() - at.x()) * (m_to - m_from) / plotArea().width();
        setTimeWindow(m_panFrom + seconds, m_panFrom + seconds + (m_to - m_from));
    }
    setCursorAt(at.x());
}

void RangeChartWidget::mouseReleaseEvent(QMouseEvent *event)
{
    const Drag drag = m_drag;
    m_drag = Drag::None;
    unsetCursor();
    if (drag != Drag::Zoom)
        return;
    m_band->hide();
    const QRect chosen = QRect(m_pressed, event->position().toPoint()).normalized() & plotArea();
    if (chosen.width() < 4 || m_series.size() == 0)
        return;
    // A tall enough rectangle zooms the values too; a flat one only the time.
    if (chosen.height() >= 4) {
        m_values = {valueAt(chosen.bottom()), valueAt(chosen.top())};
        m_valueFixed = true;
    }
    setTimeWindow(momentAt(chosen.left()), momentAt(chosen.right()));
}

void RangeChartWidget::mouseDoubleClickEvent(QMouseEvent *)
{
    resetView();
}

void RangeChartWidget::keyPressEvent(QKeyEvent *event)
{
    const double span = m_to - m_from;
    switch (event->key()) {
    case Qt::Key_Left:
        panTime(-span / 10);
        break;
    case Qt::Key_Right:
        panTime(span / 10);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomTime(0.8, (m_from + m_to) / 2);
        break;
    case Qt::Key_Minus:
        zoomTime(1.25, (m_from + m_to) / 2);
        break;
    case Qt::Key_Home:
        resetView();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void RangeChartWidget::leaveEvent(QEvent *)
{
    if (m_cursor < 0)
        return;
    m_cursor = -1;
    update();
    emit readoutChanged(QString());
}

} // namespace zeltar
