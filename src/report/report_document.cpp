#include "report/report_document.h"

#include "alarms/alarm_rules.h"
#include "core/file_replacement.h"
#include "core/number_text.h"
#include "report/report_chart.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <functional>

namespace zeltar {

namespace {

// The report is laid out in points (1/72 inch) whatever the device's resolution.
constexpr qreal PointsPerInch = 72.0;
constexpr qreal MarginMm = 15.0;
constexpr int BodySize = 10;
constexpr int SmallSize = 8;
constexpr int TitleSize = 15;
constexpr qreal ChartHeight = 250.0;
const QString FontFamily = QStringLiteral("DejaVu Sans");

QFont ReportFont(int size, bool bold = false)
{
    QFont font(FontFamily);
    font.setPixelSize(size);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// A piece of a page: drawn at the top left of its rectangle, never split across pages.
struct Block
{
    qreal height = 0;
    std::function<void(QPainter &, const QRectF &)> draw;
    int page = 0;
    qreal top = 0;
    // A table's row: the place of its title row, drawn again above it at the top of a page.
    int titleRow = -1;
};

// The report's content as blocks that flow down the pages.
class ReportLayout
{
public:
    ReportLayout(const ReportData &data, qreal width) : m_data(data), m_width(width) {}

    QVector<Block> blocks()
    {
        addTitle();
        addChart();
        addStatistics();
        addAlarms();
        addIntervals();
        addSignatures();
        return m_blocks;
    }

private:
    void addLine(const QString &text, int size = BodySize, bool bold = false, qreal spaceAbove = 0)
    {
        const QFont font = ReportFont(size, bold);
        const qreal height = QFontMetricsF(font).height() * 1.25 + spaceAbove;
        m_blocks.append({height, [=](QPainter &painter, const QRectF &rect) {
                             painter.setFont(font);
                             painter.setPen(Qt::black);
                             painter.drawText(rect.adjusted(0, spaceAbove, 0, 0),
                                              Qt::AlignLeft | Qt::AlignTop, text);
                         }});
    }

    QString rangeText() const
    {
        const auto [from, to] = ReportMoments(m_data);
        if (m_data.series.size() == 0 && m_data.from == std::numeric_limits<WallSeconds>::min() &&
            m_data.to == std::numeric_limits<WallSeconds>::max())
            return QStringLiteral("весь архив");
        return QStringLiteral("с %1 по %2").arg(WallText(from), WallText(to));
    }

    void addTitle()
    {
        addLine(QStringLiteral("Отчёт по прибору %1").arg(m_data.deviceName), TitleSize, true);
        addLine(QStringLiteral("Станция: %1").arg(m_data.stationName));
        addLine(QStringLiteral("Период: %1").arg(rangeText()));
        addLine(QStringLiteral("Составлен: %1").arg(WallText(ToWallSeconds(m_data.made))));
    }

    void addChart()
    {
        const auto [from, to] = ReportMoments(m_data);
        const HistorySeries &series = m_data.series;
        m_blocks.append(
            {ChartHeight, [&series, from = from, to = to](QPainter &painter, const QRectF &rect) {
                 painter.setFont(ReportFont(SmallSize));
                 DrawReportChart(painter, rect.adjusted(0, 6, 0, 0), series, double(from),
                                 double(to));
             }});
        addLine(QStringLiteral("Красная линия — измеренные значения; серым — нет связи, "
                               "оранжевым — обрыв датчика."),
                SmallSize);
    }

    static QString ValueAt(double value, WallSeconds at)
    {
        return QStringLiteral("%1 (%2)").arg(FormatNumber(value), WallText(at));
    }

    static QString StretchesText(const MarkStretches &stretches)
    {
        return QStringLiteral("%1, участков: %2")
            .arg(DurationText(stretches.seconds))
            .arg(stretches.count);
    }

    void addStatistics()
    {
        const ReportStatistics &statistics = m_data.statistics;
        addLine(QStringLiteral("Статистика"), BodySize + 1, true, 8);
        addLine(QStringLiteral("Записей: %1").arg(statistics.records));
        if (statistics.records == 0)
            addLine(QStringLiteral("Нет записей за выбранное время"));
        const ValueSummary &values = statistics.values;
        const QString none = QStringLiteral("нет измерений");
        addLine(QStringLiteral("Минимум: %1")
                    .arg(values.empty() ? none : ValueAt(values.min, values.minAt)));
        addLine(QStringLiteral("Максимум: %1")
                    .arg(values.empty() ? none : ValueAt(values.max, values.maxAt)));
        addLine(
            QStringLiteral("Среднее: %1").arg(values.empty() ? none : FormatNumber(values.mean())));
        addLine(QStringLiteral("Без связи: %1").arg(StretchesText(statistics.noLink)));
        addLine(QStringLiteral("Обрыв датчика: %1").arg(StretchesText(statistics.sensorBreak)));
    }

    void addAlarms()
    {
        addLine(QStringLiteral("Тревоги: %1").arg(m_data.alarms.size()));
        for (const AlarmEvent &alarm : m_data.alarms) {
            addLine(
                QStringLiteral("%1  %2").arg(WallText(ToWallSeconds(alarm.moment)),
                                             AlarmJournalText(alarm.kind, alarm.change, alarm.name,
                                                              alarm.value, alarm.limit)),
                SmallSize);
        }
    }

    void addTableRow(const QStringList &cells, bool bold)
    {
        const int titleRow = bold ? -1 : m_titleRow;
        if (bold)
            m_titleRow = int(m_blocks.size());
        const QFont font = ReportFont(SmallSize + 1, bold);
        const qreal height = QFontMetricsF(font).height() * 1.35;
        // The interval's column is wide; the numbers share the rest.
        const QVector<qreal> widths = {0.34, 0.12, 0.18, 0.18, 0.18};
        const qreal width = m_width;
        m_blocks.append(
            {height, [=](QPainter &painter, const QRectF &rect) {
                 painter.setFont(font);
                 painter.setPen(QColor(0xa0, 0xa0, 0xa0));
                 painter.drawLine(rect.bottomLeft(), rect.bottomRight());
                 painter.setPen(Qt::black);
                 qreal x = rect.left();
                 for (int c = 0; c < cells.size(); ++c) {
                     const QRectF cell(x + 2, rect.top(), widths.at(c) * width - 4, rect.height());
                     painter.drawText(cell,
                                      Qt::AlignVCenter | (c == 0 ? Qt::AlignLeft : Qt::AlignRight),
                                      cells.at(c));
                     x += widths.at(c) * width;
                 }
             }});
        m_blocks.last().titleRow = titleRow;
    }

    QString intervalText(const IntervalSummary &interval) const
    {
        const QDateTime start = FromWallSeconds(interval.from);
        if (m_data.statistics.intervalSeconds >= 86400)
            return start.toString(QStringLiteral("dd.MM.yyyy"));
        return start.toString(QStringLiteral("dd.MM.yyyy HH:mm")) + QStringLiteral("–") +
               FromWallSeconds(interval.to).toString(QStringLiteral("HH:mm"));
    }

    void addIntervals()
    {
        const ReportStatistics &statistics = m_data.statistics;
        if (statistics.intervals.isEmpty())
            return;
        addLine(statistics.intervalSeconds >= 86400 ? QStringLiteral("По суткам")
                                                    : QStringLiteral("По часам"),
                BodySize + 1, true, 8);
        addTableRow({QStringLiteral("Интервал"), QStringLiteral("Записей"),
                     QStringLiteral("Минимум"), QStringLiteral("Среднее"),
                     QStringLiteral("Максимум")},
                    true);
        for (const IntervalSummary &interval : statistics.intervals) {
            const ValueSummary &values = interval.values;
            const QString dash = QStringLiteral("—");
            addTableRow({intervalText(interval), QString::number(interval.records),
                         values.empty() ? dash : FormatNumber(values.min),
                         values.empty() ? dash : FormatNumber(values.mean()),
                         values.empty() ? dash : FormatNumber(values.max)},
                        false);
        }
    }

    void addSignatures()
    {
        const QFont font = ReportFont(BodySize);
        const qreal line = QFontMetricsF(font).height();
        m_blocks.append(
            {line * 9, [=](QPainter &painter, const QRectF &rect) {
                 painter.setFont(font);
                 painter.setPen(Qt::black);
                 const QStringList who = {QStringLiteral("Оператор"),
                                          QStringLiteral("Начальник смены")};
                 qreal y = rect.top() + line * 2.5;
                 for (const QString &role : who) {
                     painter.drawText(QPointF(rect.left(), y), role + QLatin1Char(':'));
                     const qreal x = rect.left() + 120;
                     painter.drawLine(QPointF(x, y + 2), QPointF(x + 150, y + 2));
                     painter.drawLine(QPointF(x + 170, y + 2), QPointF(rect.right(), y + 2));
                     painter.save();
                     painter.setFont(ReportFont(SmallSize - 1));
                     painter.drawText(QRectF(x, y + 3, 150, line), Qt::AlignHCenter,
                                      QStringLiteral("подпись"));
                     painter.drawText(QRectF(x + 170, y + 3, rect.right() - x - 170, line),
                                      Qt::AlignHCenter, QStringLiteral("фамилия, дата"));
                     painter.restore();
                     y += line * 3;
                 }
             }});
    }

    const ReportData &m_data;
    qreal m_width;
    QVector<Block> m_blocks;
    int m_titleRow = -1;
};

// Places the blocks on pages of the given height, a table's title row again above a row
// that begins a page; returns the number of pages.
int Paginate(QVector<Block> &blocks, qreal pageHeight)
{
    QVector<Block> placed;
    int page = 0;
    qreal y = 0;
    for (const Block &block : blocks) {
        if (y > 0 && y + block.height > pageHeight) {
            ++page;
            y = 0;
            if (block.titleRow >= 0) {
                placed.append(blocks.at(block.titleRow));
                placed.last().page = page;
                placed.last().top = 0;
                y = placed.last().height;
            }
        }
        placed.append(block);
        placed.last().page = page;
        placed.last().top = y;
        y += block.height;
    }
    blocks = placed;
    return page + 1;
}

} // namespace

void SetReportPage(QPagedPaintDevice &device)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                                     QPageLayout::Millimeter));
}

bool DrawReport(const ReportData &data, QPagedPaintDevice &device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    painter.scale(device.logicalDpiX() / PointsPerInch, device.logicalDpiY() / PointsPerInch);
    const QRectF paper = device.pageLayout().paintRect(QPageLayout::Point);
    const QRectF area(0, 0, paper.width(), paper.height());

    const QFont footerFont = ReportFont(SmallSize);
    const qreal footerHeight = QFontMetricsF(footerFont).height() * 2;
    QVector<Block> blocks = ReportLayout(data, area.width()).blocks();
    const int pages = Paginate(blocks, area.height() - footerHeight);
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !device.newPage())
            return false;
        for (const Block &block : blocks) {
            if (block.page == page)
                block.draw(painter, QRectF(0, block.top, area.width(), block.height));
        }
        painter.setFont(footerFont);
        painter.setPen(Qt::black);
        const QRectF footer(0, area.height() - footerHeight, area.width(), footerHeight);
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignBottom,
                         QStringLiteral("Отчёт по прибору %1").arg(data.deviceName));
        painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("Страница %1 из %2").arg(page + 1).arg(pages));
    }
    return painter.end();
}

bool WriteReportPdf(const ReportData &data, const QString &path, QString *error)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        SetReportPage(pdf);
        pdf.setTitle(QStringLiteral("Отчёт по прибору %1").arg(data.deviceName));
        pdf.setCreator(QStringLiteral("Zeltar"));
        if (!DrawReport(data, pdf)) {
            *error = QStringLiteral("Не могу составить отчёт %1").arg(path);
            return false;
        }
    }
    return ReplaceFileContent(path, buffer.data(), error);
}

} // namespace zeltar
