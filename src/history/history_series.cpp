#include "history/history_series.h"

#include "acquisition/polling_state.h"

#include <algorithm>
#include <numeric>

namespace zeltar {

namespace {

// Puts the records in time order when the clock was set back while they were written.
void SortByMoment(HistorySeries &series)
{
    if (std::is_sorted(series.offsets.cbegin(), series.offsets.cend()))
        return;
    QVector<int> order(series.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return series.offsets.at(a) < series.offsets.at(b); });
    HistorySeries sorted{series.origin, {}, {}};
    sorted.offsets.reserve(series.size());
    sorted.values.reserve(series.size());
    for (int i : order) {
        sorted.offsets.append(series.offsets.at(i));
        sorted.values.append(series.values.at(i));
    }
    series = std::move(sorted);
}

} // namespace

bool HistorySeries::isMark(int i) const
{
    return values.at(i) > MaxMeasurement;
}

int HistorySeries::lowerBound(double moment) const
{
    const double offset = moment - double(origin);
    return int(std::lower_bound(offsets.cbegin(), offsets.cend(), offset,
                                [](qint32 a, double b) { return a < b; }) -
               offsets.cbegin());
}

int HistorySeries::upperBound(double moment) const
{
    const double offset = moment - double(origin);
    return int(std::upper_bound(offsets.cbegin(), offsets.cend(), offset,
                                [](double a, qint32 b) { return a < b; }) -
               offsets.cbegin());
}

int HistorySeries::nearest(double moment) const
{
    if (offsets.isEmpty())
        return -1;
    const int after = qMin(lowerBound(moment), size() - 1);
    if (after > 0 &&
        moment - double(this->moment(after - 1)) < double(this->moment(after)) - moment)
        return after - 1;
    return after;
}

bool LoadSeries(const HistoryRange &range, HistorySeries *series, QString *error,
                const std::function<void()> &pause)
{
    *series = HistorySeries();
    series->offsets.reserve(range.records);
    series->values.reserve(range.records);
    bool haveOrigin = false;
    const bool read = ForEachRecord(
        range,
        [&](TableRecords &records, int i) {
            const std::optional<WallSeconds> moment = records.moment(i);
            if (!moment)
                return true;
            if (!haveOrigin) {
                series->origin = *moment;
                haveOrigin = true;
            }
            series->offsets.append(qint32(*moment - series->origin));
            series->values.append(float(records.value(i).value_or(0.0)));
            if (pause && series->size() % SeriesPauseRecords == 0)
                pause();
            return true;
        },
        error);
    SortByMoment(*series);
    return read;
}

ValueSpan MeasurementSpan(const HistorySeries &series, int first, int end)
{
    ValueSpan span;
    for (int i = qMax(first, 0); i < qMin(end, series.size()); ++i) {
        if (series.isMark(i))
            continue;
        const double value = series.values.at(i);
        span.min = span.empty ? value : qMin(span.min, value);
        span.max = span.empty ? value : qMax(span.max, value);
        span.empty = false;
    }
    return span;
}

QVector<int> DecimatedRecords(const HistorySeries &series, double from, double to, int columns)
{
    QVector<int> chosen;
    if (series.size() == 0 || to < from || columns < 1)
        return chosen;
    const int first = qMax(series.lowerBound(from) - 1, 0);
    const int end = qMin(series.upperBound(to) + 1, series.size());
    if (end - first <= 4 * columns) {
        chosen.resize(end - first);
        std::iota(chosen.begin(), chosen.end(), first);
        return chosen;
    }

    // One column's chosen records; -1 where it has none of that kind.
    struct Column
    {
        int first = -1, last = -1, low = -1, high = -1, firstMark = -1, lastMark = -1;
    };
    const double width = (to - from) / columns;
    auto columnOf = [&](int i) {
        return std::clamp(int((double(series.moment(i)) - from) / width), -1, columns);
    };
    auto flush = [&](const Column &column) {
        int picks[] = {column.first,     column.low,      column.high,
                       column.firstMark, column.lastMark, column.last};
        std::sort(std::begin(picks), std::end(picks));
        for (int pick : picks) {
            if (pick >= 0 && (chosen.isEmpty() || chosen.constLast() != pick))
                chosen.append(pick);
        }
    };

    Column column;
    int current = columnOf(first);
    for (int i = first; i < end; ++i) {
        const int c = columnOf(i);
        if (c != current) {
            flush(column);
            column = Column();
            current = c;
        }
        if (column.first < 0)
            column.first = i;
        column.last = i;
        if (series.isMark(i)) {
            if (column.firstMark < 0)
                column.firstMark = i;
            column.lastMark = i;
            continue;
        }
        const float value = series.values.at(i);
        if (column.low < 0 || value < series.values.at(column.low))
            column.low = i;
        if (column.high < 0 || value > series.values.at(column.high))
            column.high = i;
    }
    flush(column);
    return chosen;
}

} // namespace zeltar
