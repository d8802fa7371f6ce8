#pragma once

#include "report/chart_axes.h"

#include <QColor>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QVector>
#include <QWidget>

class QPainter;

namespace zeltar {

// One point of the chart's line. The segment that ends at a point is drawn in its colour.
struct ChartPoint
{
    double x = 0.0;
    double y = 0.0;
    QString label; // printed on the bottom axis; empty prints x
    QColor color;

    bool operator==(const ChartPoint &other) const
    {
        return x == other.x && y == other.y && label == other.label && color == other.color;
    }
    bool operator!=(const ChartPoint &other) const { return !(*this == other); }
};

// A painted line chart: one series whose points are kept in ascending x, a value axis on the
// left that is fixed or follows the points, a bottom axis that follows the points and prints
// their labels turned by 90 degrees. Values outside a fixed range are drawn where they fall
// and cut off at the edge of the plot. No legend; a title only when one is set.
class ChartWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ChartWidget(QWidget *parent = nullptr);

    // The series. A point joins the others at its place in x; a point with the same x as
    // others goes after them.
    void clear();
    void addPoint(double x, double y, const QString &label, const QColor &color);
    void setPoints(QVector<ChartPoint> points);
    const QVector<ChartPoint> &points() const { return m_points; }

    // Value axis: a fixed range (given the wrong way round, it is swapped) or automatic,
    // the span of the points with a small margin.
    void setValueRange(double min, double max);
    void setAutomaticValueRange();
    bool isValueRangeAutomatic() const { return m_valueAxis.automatic; }
    ChartRange valueRange() const;

    // Bottom axis: automatic (the span of the points' x) unless a range is fixed.
    void setBottomRange(double min, double max);
    void setBottomAutomatic();
    bool isBottomAutomatic() const { return m_bottomAxis.automatic; }
    ChartRange bottomRange() const;

    void setTitle(const QString &title);
    QString title() const { return m_title; }

    // Where the plot lies in the widget at its present size, and where a chart value
    // falls in widget coordinates (outside the plot for values outside the axes).
    QRect plotArea() const;
    QPointF mapToWidget(double x, double y) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // One axis: a fixed range, or the span of one of the points' values.
    struct Axis
    {
        bool automatic;
        ChartRange fixed;
        double ChartPoint::*value; // the value of the points that the axis shows
        double margin;             // share of the span added at both ends when automatic

        bool fix(double min, double max); // false when nothing changed
        bool follow();                    // false when nothing changed
        ChartRange range(const QVector<ChartPoint> &points) const;
    };

    struct Layout;
    Layout computeLayout() const;
    void drawValueAxis(QPainter &painter, const Layout &layout) const;
    void drawBottomAxis(QPainter &painter, const Layout &layout) const;
    void drawSeries(QPainter &painter, const Layout &layout) const;

    QVector<ChartPoint> m_points;
    // A margin keeps the highest and lowest values off the frame; the bottom axis needs
    // none, as its labels mark the first and the last point.
    Axis m_valueAxis{false, {-100.0, 200.0}, &ChartPoint::y, 0.05};
    Axis m_bottomAxis{true, {0.0, 1.0}, &ChartPoint::x, 0.0};
    QString m_title;
};

} // namespace zeltar
