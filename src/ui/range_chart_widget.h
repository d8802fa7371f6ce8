#pragma once

#include "history/history_series.h"
#include "ui/chart_widget.h"

#include <QPoint>
#include <QWidget>

class QRubberBand;

namespace zeltar {

// The chart of a time range: the records of one or more archive tables on a time axis,
// drawn by the archive chart's colour rules (a no-link or break record at the top of the
// value axis in black, the record after a run of them in black, the others red). Only
// the records that matter at the present width are drawn (see DecimatedRecords), so a
// month of records draws as fast as an hour.
//
// The mouse: the wheel zooms the time axis around the pointer, dragging with the left
// button zooms into the rectangle drawn, dragging with the right or middle button pans,
// a double click shows the whole range again. The keyboard: arrows pan, + and - zoom,
// Home shows the whole range. Moving the pointer reports the record under it.
class RangeChartWidget : public QWidget
{
    Q_OBJECT

public:
    explicit RangeChartWidget(QWidget *parent = nullptr);

    // Shows a series whole; the widget keeps it.
    void setSeries(HistorySeries series);
    const HistorySeries &series() const { return m_series; }
    void clear();

    // The moments on show and the value axis.
    double viewFrom() const { return m_from; }
    double viewTo() const { return m_to; }
    ChartRange valueRange() const;
    bool isZoomed() const;

    void setTimeWindow(double from, double to);
    // Zooms the time axis by factor (below 1 zooms in) keeping moment where it is.
    void zoomTime(double factor, double moment);
    void panTime(double seconds);
    void resetView();

    QRect plotArea() const;
    double momentAt(double x) const;
    double valueAt(double y) const;
    double xOf(double moment) const;

    // "09.12.2026 14:05:09   25,3" for the record nearest to moment; empty without records.
    QString readoutAt(double moment) const;
    // How many records the last drawing drew.
    int drawnRecords() const { return m_drawnRecords; }

    // Draws the chart into painter on a surface of that size (the widget, a picture).
    void paintChart(QPainter &painter, const QSize &size) const;
    // Saves the chart as it is on show under title: SVG for a name ending in .svg, PNG
    // otherwise.
    bool savePicture(const QString &path, const QString &title, QString *error) const;
    // The moments on show that records can have: the time window, cut to the records.
    std::pair<WallSeconds, WallSeconds> shownMoments() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void readoutChanged(const QString &text);
    void viewChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QRect plotIn(const QSize &size) const;
    QVector<ChartPoint> visiblePoints(int columns, ChartRange *values) const;
    void drawTimeAxis(QPainter &painter, const QRect &plot) const;
    void drawValueAxis(QPainter &painter, const QRect &plot, const ChartRange &values) const;
    void drawLine(QPainter &painter, const QRect &plot, const QVector<ChartPoint> &points,
                  const ChartRange &values) const;
    void setCursorAt(double x);

    HistorySeries m_series;
    double m_from = 0;
    double m_to = 1;
    bool m_valueFixed = false;
    ChartRange m_values{0, 1};
    int m_cursor = -1; // the record under the pointer

    enum class Drag
    {
        None,
        Zoom,
        Pan
    };
    Drag m_drag = Drag::None;
    QPoint m_pressed;
    double m_panFrom = 0;
    QRubberBand *m_band;
    mutable int m_drawnRecords = 0;
};

} // namespace zeltar
