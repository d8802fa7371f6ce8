#pragma once

#include "history/archive_index.h"
#include "history/history_range.h"

#include <QWidget>

#include <optional>
#include <utility>

class QComboBox;
class QDateTimeEdit;
class QFileSystemWatcher;
class QLabel;
class QPushButton;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace zeltar {

class RangeChartWidget;
class RangeTableModel;
class Station;

// The history page of a device: its earlier archive periods and any time range across
// them, shown read-only in a grid and on a range chart, and taken away as CSV or as a
// picture. The current period stays on the table and chart pages: choosing it asks for
// the live view.
class HistoryPanel : public QWidget
{
    Q_OBJECT

public:
    explicit HistoryPanel(Station &station, QWidget *parent = nullptr);

    // The device whose tables are listed (0 for none); what was on show is put away.
    void setDevice(int n);
    // The archive folder changed (a new period began, settings were applied): the list is
    // brought up to date when the page is next on show.
    void archivesChanged();

    // Shows one table, or the tables of the chosen name part between two moments.
    void showTable(const QString &path);
    void showRange(WallSeconds from, WallSeconds to);
    // Shows the last hours up to now.
    void showLastHours(int hours);

    // What is on show, and whether it is a range of any kind.
    const HistoryRange &shownRange() const;
    QString shownText() const;

    // Controls, as tests know them.
    QComboBox *cbHistArchive;
    QTreeWidget *lvHistPeriods;
    QDateTimeEdit *dtHistFrom;
    QDateTimeEdit *dtHistTo;
    QPushButton *btnHistShow;
    QPushButton *btnHistHour;
    QPushButton *btnHist8Hours;
    QPushButton *btnHistDay;
    QPushButton *btnHistWeek;
    QPushButton *btnHistOpen;
    QPushButton *btnHistReset;
    QPushButton *btnHistCsv;
    QPushButton *btnHistCsvMachine;
    QPushButton *btnHistPicture;
    QPushButton *btnHistReport;
    QLabel *stHistShown;
    QLabel *stHistCursor;
    RangeChartWidget *chartHist;
    QTableView *gridHist;
    RangeTableModel *HistView;

Q_SIGNALS:
    // The operator chose the current period.
    void liveViewRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *createChoicePanel();
    QWidget *createShowPanel();
    void refreshList();
    void fillPeriods();
    void offerLastDay();
    void periodChosen(QTreeWidgetItem *item);
    void showRecords(const HistoryRange &range, const QString &what);
    void exportCsv(bool machine);
    void savePicture();
    void makeReport();
    // The records on show: after a zoom only those in the chart's window.
    HistoryRange rangeOnShow(QString *error) const;
    void openTableFile();
    QString chosenNamePart() const;
    QString chosenDeviceName() const;
    // The picture's title and a file name for what is on show (the chart's window).
    QString shownTitle() const;
    QString suggestedFile(const QString &suffix) const;

    Station &m_station;
    ArchiveIndex m_index;
    int m_device = 0;
    bool m_stale = true;
    bool m_loading = false;
    QString m_shownName; // the device or file whose records are on show
    // The range asked for when one is on show ("с ... по ...", the last hours), which a
    // report of the whole chart covers rather than its first and last records.
    std::optional<std::pair<WallSeconds, WallSeconds>> m_askedRange;
    // The "from" and "to" last offered: the last day up to the archive's last record.
    QDateTime m_offeredFrom;
    QDateTime m_offeredTo;
    QFileSystemWatcher *m_folderWatch;
};

} // namespace zeltar
