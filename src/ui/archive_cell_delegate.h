#pragma once

#include <QColor>
#include <QStyledItemDelegate>

#include <optional>

class QPalette;

namespace zeltar {

// What a marked cell of the archive grid shows instead of its usual drawing.
struct CellMark
{
    QColor fill;
    QString text;
};

// A value cell: sensor break on red, no link on grey; nullopt for a measurement.
std::optional<CellMark> ZnacCellRule(double value);
// The setpoint column's text: "1 ", "2 ", "3 ", "4 " for bits 3 to 0, two blanks for a
// clear bit; one blank when no relay is active.
QString ReleCellText(int bits);
// A setpoint cell: the active setpoints on yellow, or an empty-looking cell on the
// palette's base colour.
CellMark ReleCellRule(int bits, const QPalette &palette);

// Draws the value and setpoint cells of the archive grid by their rules, after the usual
// drawing and for selected rows too. The column's field comes from the model's
// ArchiveFieldRole header data, the value from ArchiveValueRole.
class ArchiveCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The mark of a cell, if its column has a rule and its value calls for one.
    static std::optional<CellMark> markOf(const QModelIndex &index, const QPalette &palette);
};

} // namespace zeltar
