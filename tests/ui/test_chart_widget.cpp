#include "ui/chart_widget.h"

#include <QImage>
#include <QLocale>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace zeltar;

namespace {

bool IsRed(const QColor &c)
{
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

bool IsBlack(const QColor &c)
{
    return c.red() < 60 && c.green() < 60 && c.blue() < 60;
}

// Colours of the pixels within dx columns and dy rows of point: a thin line passes
// through the column (dy) or the row (dx) of one of its points.
QList<QColor> Around(const QImage &image, const QPointF &point, int dx, int dy)
{
    QList<QColor> colours;
    const QPoint centre = point.toPoint();
    for (int y = centre.y() - dy; y <= centre.y() + dy; ++y) {
        for (int x = centre.x() - dx; x <= centre.x() + dx; ++x) {
            if (image.valid(x, y))
                colours.append(image.pixelColor(x, y));
        }
    }
    return colours;
}

QList<QColor> ColumnAround(const QImage &image, const QPointF &point, int radius = 2)
{
    return Around(image, point, 0, radius);
}

QList<QColor> RowAround(const QImage &image, const QPointF &point, int radius = 1)
{
    return Around(image, point, radius, 0);
}

bool AnyOf(const QList<QColor> &colours, bool (*test)(const QColor &))
{
    return std::any_of(colours.begin(), colours.end(), test);
}

// Pixels of a rectangle of the image that pass test.
int Count(const QImage &image, const QRect &area, bool (*test)(const QColor &))
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.valid(x, y) && test(image.pixelColor(x, y)))
                ++count;
        }
    }
    return count;
}

QImage Render(ChartWidget &chart)
{
    return chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QStringList Texts(const QVector<AxisTick> &ticks)
{
    QStringList texts;
    for (const AxisTick &tick : ticks)
        texts.append(tick.text);
    return texts;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class TestChartWidget : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void keepsPointsInAscendingX()
    {
        ChartWidget chart;
        chart.addPoint(3, 30, "c", Qt::red);
        chart.addPoint(1, 10, "a", Qt::red);
        chart.addPoint(2, 20, "b1", Qt::black);
        chart.addPoint(2, 21, "b2", Qt::red); // equal x: after the one already there
        QStringList labels;
        for (const ChartPoint &point : chart.points())
            labels << point.label;
        QCOMPARE(labels, QStringList({"a", "b1", "b2", "c"}));
        QCOMPARE(chart.points().at(1).color, QColor(Qt::black));

        chart.setPoints({{150, 80, "02:30", Qt::red},
                         {60, 50, "01:00", Qt::red},
                         {60, 55, "01:00 again", Qt::red},
                         {0, 20, "00:00", Qt::red}});
        labels.clear();
        for (const ChartPoint &point : chart.points())
            labels << point.label;
        QCOMPARE(labels, QStringList({"00:00", "01:00", "01:00 again", "02:30"}));

        chart.clear();
        QVERIFY(chart.points().isEmpty());
    }

    void valueAxisIsFixedOrFollowsThePoints()
    {
        ChartWidget chart;
        QVERIFY(!chart.isValueRangeAutomatic());
        QCOMPARE(chart.valueRange(), (ChartRange{-100, 200}));

        chart.setValueRange(500000, -500000); // given the wrong way round
        QCOMPARE(chart.valueRange(), (ChartRange{-500000, 500000}));

        chart.addPoint(1, 12.5, "", Qt::red);
        chart.addPoint(2, 40, "", Qt::red);
        chart.addPoint(3, std::numeric_limits<double>::quiet_NaN(), "", Qt::red);
        QCOMPARE(chart.valueRange(), (ChartRange{-500000, 500000}));

        chart.setAutomaticValueRange();
        QVERIFY(chart.isValueRangeAutomatic());
        const ChartRange automatic = chart.valueRange();
        QVERIFY(automatic.min < 12.5 && automatic.min > 10);
        QVERIFY(automatic.max > 40 && automatic.max < 43);

        chart.setValueRange(0, 500);
        QVERIFY(!chart.isValueRangeAutomatic());
        QCOMPARE(chart.valueRange(), (ChartRange{0, 500}));

        // A range of one value (an archive of one record) is widened so it can be drawn.
        chart.setValueRange(25.5, 25.5);
        QVERIFY(chart.valueRange().min < 25.5 && chart.valueRange().max > 25.5);
    }

    void bottomAxisFollowsTheXValues()
    {
        ChartWidget chart;
        QVERIFY(chart.isBottomAutomatic());
        chart.addPoint(11, 1, "", Qt::red);
        chart.addPoint(60, 1, "", Qt::red);
        QCOMPARE(chart.bottomRange(), (ChartRange{11, 60}));

        chart.setBottomRange(0, 100);
        QCOMPARE(chart.bottomRange(), (ChartRange{0, 100}));
        chart.setBottomAutomatic();
        QCOMPARE(chart.bottomRange(), (ChartRange{11, 60}));

        chart.setPoints({{7, 1, "", Qt::red}});
        QVERIFY(chart.bottomRange().min < 7 && chart.bottomRange().max > 7);
    }

    void axisNumbersAreRoundAndInTheLocalesFormat()
    {
        QCOMPARE(Texts(ValueAxisTicks({-100, 200}, 6)),
                 QStringList({"-100", "-50", "0", "50", "100", "150", "200"}));
        // Steps that are not exact in binary print without noise, and zero without a sign.
        QCOMPARE(Texts(ValueAxisTicks({-0.3, 0.35}, 7)),
                 QStringList({"-0.3", "-0.2", "-0.1", "0.0", "0.1", "0.2", "0.3"}));
        QCOMPARE(Texts(ValueAxisTicks({0.5, 2.4}, 2)), QStringList({"1", "2"}));

        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(Texts(ValueAxisTicks({0, 1}, 5)),
                 QStringList({"0,0", "0,2", "0,4", "0,6", "0,8", "1,0"}));

        QVERIFY(ValueAxisTicks({1, 1}, 5).isEmpty());
        QVERIFY(ValueAxisTicks({0, 1}, 0).isEmpty());
        QVERIFY(ValueAxisTicks({0, std::numeric_limits<double>::infinity()}, 5).isEmpty());
    }

    void segmentTakesTheColourOfThePointItEndsAt()
    {
        ChartWidget chart;
        chart.setFixedSize(400, 300);
        chart.setValueRange(0, 100);
        chart.setPoints({{0, 50, "00:00:01", Qt::red},
                         {10, 50, "00:00:02", Qt::red},
                         {20, 50, "00:00:03", Qt::black},
                         {30, 50, "00:00:04", Qt::red},
                         {40, 90, "00:00:05", Qt::black}});
        const QImage image = Render(chart);

        // Middles of the four segments and whether each is red (else black).
        const struct
        {
            double x, y;
            bool red;
        } middles[] = {{5, 50, true}, {15, 50, false}, {25, 50, true}, {35, 70, false}};
        for (const auto &middle : middles) {
            const QList<QColor> colours =
                ColumnAround(image, chart.mapToWidget(middle.x, middle.y));
            QVERIFY2(AnyOf(colours, middle.red ? IsRed : IsBlack),
                     qPrintable(QString::number(middle.x)));
            QVERIFY2(!AnyOf(colours, middle.red ? IsBlack : IsRed),
                     qPrintable(QString::number(middle.x)));
        }
    }

    void emptyChartDrawsOnlyTheGrid()
    {
        ChartWidget chart;
        chart.setFixedSize(400, 300);
        const QImage image = Render(chart);
        const QRect inside = chart.plotArea().adjusted(1, 1, -2, -2);
        QVERIFY(inside.width() > 200 && inside.height() > 150);
        const int plain = Count(image, inside, [](const QColor &c) {
            return c.red() == c.green() && c.green() == c.blue() && c.red() >= 200;
        });
        QCOMPARE(plain, inside.width() * inside.height());
    }

    void valuesOutsideAFixedRangeAreCutAtTheEdge()
    {
        // A break record drawn far above the axis: the spike reaches the top edge of the
        // plot and nothing of it is drawn above.
        ChartWidget chart;
        chart.setFixedSize(400, 300);
        chart.setValueRange(-100, 200);
        chart.setPoints({{1, 10, "", Qt::red},
                         {2, 500, "", Qt::black},
                         {3, 20, "", Qt::black},
                         {4, 30, "", Qt::red}});
        QImage image = Render(chart);
        const QRect plot = chart.plotArea();

        const double crossing = 1 + 190.0 / 490.0; // where 10 -> 500 passes 200
        const QPointF top = chart.mapToWidget(crossing, 200);
        QVERIFY(AnyOf(ColumnAround(image, QPointF(top.x(), plot.top() + 1), 1), IsBlack));
        const QRect above(plot.left(), 0, plot.width(), plot.top());
        QCOMPARE(Count(image, above, IsBlack) + Count(image, above, IsRed), 0);

        // At the top of the axis the same spike lies along the top edge.
        chart.setValueRange(0, 500);
        image = Render(chart);
        QVERIFY(AnyOf(ColumnAround(image, chart.mapToWidget(2, 500), 1), IsBlack));

        // Values no painter could take are cut before they reach it.
        chart.setValueRange(-100, 200);
        chart.setPoints({{1, 0, "", Qt::red},
                         {2, 0, "", Qt::red},
                         {3, 1e300, "", Qt::black},
                         {4, -1e300, "", Qt::red},
                         {5, std::numeric_limits<double>::infinity(), "", Qt::red},
                         {6, 0, "", Qt::red}});
        image = Render(chart);
        // Both steep segments stand upright at their start and at the middle of their run.
        QVERIFY(AnyOf(RowAround(image, chart.mapToWidget(2, 50)), IsBlack));
        QVERIFY(AnyOf(RowAround(image, chart.mapToWidget(3.5, 50)), IsRed));
    }

    void drawsOneAndFiveHundredPoints()
    {
        ChartWidget chart;
        chart.setFixedSize(400, 300);
        chart.addPoint(5, 50, "14:05:09", Qt::red);
        QImage image = Render(chart);
        QVERIFY(AnyOf(ColumnAround(image, chart.mapToWidget(5, 50)), IsRed));

        QVector<ChartPoint> points;
        for (int i = 1; i <= 500; ++i)
            points.append({double(i), 50 + 40 * std::sin(i / 20.0), "14:05:09", Qt::red});
        chart.setPoints(points);
        image = Render(chart);
        QVERIFY(Count(image, chart.plotArea(), IsRed) > 300);
        QVERIFY(
            AnyOf(ColumnAround(image, chart.mapToWidget(250, 50 + 40 * std::sin(12.5))), IsRed));
    }

    void repaintsOnlyOnChange()
    {
        ChartWidget chart;
        chart.setFixedSize(300, 200);
        chart.setPoints({{1, 10, "", Qt::red}, {2, 20, "", Qt::red}});
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        PaintCounter counter;
        chart.installEventFilter(&counter);
        QCoreApplication::processEvents();
        counter.paints = 0;

        chart.setValueRange(-100, 200);
        chart.setValueRange(200, -100);
        chart.setBottomAutomatic();
        chart.setPoints({{2, 20, "", Qt::red}, {1, 10, "", Qt::red}});
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, 0);

        chart.addPoint(3, 30, "", Qt::red);
        QTRY_VERIFY(counter.paints > 0);
    }
};

QTEST_MAIN(TestChartWidget)
#include "test_chart_widget.moc"
