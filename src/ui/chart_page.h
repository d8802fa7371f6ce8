#pragma once

#include "ui/chart_fill.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace zeltar {

class ArchiveTableModel;
class ChartWidget;
struct PollingState;
class UpDown;

// The main window's chart page: the chart of the selected instrument's archive table, or of
// an archive downloaded from the instrument, with the number of points and the value range
// that the operator sets in its fields (kept in the polling state).
class ChartPage : public QWidget
{
    Q_OBJECT
public:
    ChartPage(PollingState &state, QWidget *parent);

    // The polling state's chart settings in the fields, the chart empty.
    void showSettings();
    // The newest records of table, as many as the settings say.
    void fill(const ArchiveTableModel &model);
    // A downloaded archive's value range on the axis and in the fields, its record count as
    // the number of points; the chart empty until drawDownloaded().
    void showDownloadedRange(const QVector<ChartRecord> &records, bool firstRecordKept);
    void drawDownloaded(const QVector<ChartRecord> &records);

    // Controls, named as the operators and the tests know them.
    QCheckBox *cbAutoGraf;
    QLineEdit *editGrafMin;
    QLineEdit *editGrafMax;
    QLineEdit *editGrafN;
    UpDown *UpDown2;
    QPushButton *btnApplyGraf;
    ChartWidget *Chart1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void btnApplyGrafClick();

    PollingState &m_state;
};

} // namespace zeltar
