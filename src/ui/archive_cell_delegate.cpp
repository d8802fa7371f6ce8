#include "ui/archive_cell_delegate.h"

#include "ui/archive_table_model.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

namespace zeltar {

namespace {

// Gap between a mark's text and the cell's top and right edges.
constexpr int TextMargin = 2;

} // namespace

std::optional<CellMark> ZnacCellRule(double value)
{
    if (value > 99999.0 && value < 101000.0)
        return CellMark{QColor(Qt::red), QStringLiteral("Обрыв")};
    if (value > 199999.0 && value < 201000.0)
        return CellMark{QColor(128, 128, 128), QStringLiteral("Нет связи")};
    return std::nullopt;
}

QString ReleCellText(int bits)
{
    if (bits == 0)
        return QStringLiteral(" ");
    QString text;
    for (int setpoint = 1; setpoint <= 4; ++setpoint) {
        const bool active = bits & (1 << (4 - setpoint));
        text += active ? QString::number(setpoint) + QLatin1Char(' ') : QStringLiteral("  ");
    }
    return text;
}

CellMark ReleCellRule(int bits, const QPalette &palette)
{
    const QColor fill = bits != 0 ? QColor(Qt::yellow) : palette.color(QPalette::Base);
    return {fill, ReleCellText(bits)};
}

std::optional<CellMark> ArchiveCellDelegate::markOf(const QModelIndex &index,
                                                    const QPalette &palette)
{
    if (!index.isValid())
        return std::nullopt;
    const QString field =
        index.model()->headerData(index.column(), Qt::Horizontal, ArchiveFieldRole).toString();
    const QVariant value = index.data(ArchiveValueRole);
    if (field.compare(QLatin1String("ZNAC"), Qt::CaseInsensitive) == 0)
        return value.isValid() ? ZnacCellRule(value.toDouble()) : std::nullopt;
    if (field.compare(QLatin1String("RELE"), Qt::CaseInsensitive) == 0)
        return ReleCellRule(static_cast<int>(value.toDouble()), palette);
    return std::nullopt;
}

void ArchiveCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    const std::optional<CellMark> mark = markOf(index, option.palette);
    if (!mark)
        return;
    const QRect cell = option.rect;
    const QFontMetrics metrics(option.font);
    const int width = metrics.horizontalAdvance(mark->text);
    painter->save();
    painter->setClipRect(cell);
    painter->fillRect(cell, mark->fill);
    painter->setFont(option.font);
    painter->setPen(option.palette.color(QPalette::Text));
    const QRect text(cell.x() + cell.width() - TextMargin - width, cell.y() + TextMargin, width,
                     metrics.height());
    painter->drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, mark->text);
    painter->restore();
}

} // namespace zeltar
