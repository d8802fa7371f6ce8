#include "ui/window_helpers.h"

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QWidget>

namespace zeltar {

namespace {

// Room that a title bar takes beside its caption: icon, buttons and margins.
constexpr int TitleBarExtras = 120;

} // namespace

QLineEdit *NumberField(const QString &name, QWidget *parent, int width)
{
    auto *edit = named(new QLineEdit(parent), name);
    edit->setMaximumWidth(width);
    return edit;
}

QComboBox *ListField(const QString &name, const QStringList &items, QWidget *parent)
{
    auto *combo = named(new QComboBox(parent), name);
    combo->addItems(items);
    return combo;
}

void AddRow(QGridLayout *grid, const QString &label, QWidget *field, QWidget *extra)
{
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(label, field->parentWidget()), row, 0);
    if (extra == nullptr) {
        grid->addWidget(field, row, 1);
        return;
    }
    auto *pair = new QHBoxLayout;
    pair->setSpacing(2);
    pair->addWidget(field);
    pair->addWidget(extra);
    pair->addStretch();
    grid->addLayout(pair, row, 1);
}

void CentreOver(QWidget *window, const QWidget *owner)
{
    window->move(owner->x() + owner->width() / 2 - window->width() / 2,
                 owner->y() + owner->height() / 2 - window->height() / 2);
}

int TitleBarWidth(const QWidget *window, const QString &caption)
{
    QFont title = window->font();
    title.setBold(true);
    return QFontMetrics(title).horizontalAdvance(caption) + TitleBarExtras;
}

StatusHints::StatusHints(QStatusBar *bar, bool clearOnLeave, QObject *parent)
    : QObject(parent), m_bar(bar), m_clearOnLeave(clearOnLeave)
{}

void StatusHints::hint(std::initializer_list<QWidget *> widgets)
{
    for (QWidget *widget : widgets) {
        m_hinted.insert(widget);
        widget->installEventFilter(this);
    }
}

void StatusHints::clear(std::initializer_list<QWidget *> widgets)
{
    for (QWidget *widget : widgets)
        widget->installEventFilter(this);
}

bool StatusHints::eventFilter(QObject *watched, QEvent *event)
{
    const bool hinted = m_hinted.contains(watched);
    if (event->type() == QEvent::Enter) {
        if (hinted)
            m_bar->showMessage(static_cast<QWidget *>(watched)->toolTip());
        else
            m_bar->clearMessage();
    } else if (event->type() == QEvent::Leave && hinted && m_clearOnLeave) {
        m_bar->clearMessage();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace zeltar
