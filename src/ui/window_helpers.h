#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <initializer_list>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QStatusBar;
class QWidget;

namespace zeltar {

// Gives widget the name the operators and the tests know it by, and returns it.
template <typename T> T *named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

// A named number field of at most width pixels.
QLineEdit *NumberField(const QString &name, QWidget *parent, int width = 70);
// A named drop-down list of items.
QComboBox *ListField(const QString &name, const QStringList &items, QWidget *parent);
// A label and its field, with an extra control beside it, in the next row of a two-column
// grid.
void AddRow(QGridLayout *grid, const QString &label, QWidget *field, QWidget *extra = nullptr);

// Moves window so that its centre lies on the centre of owner.
void CentreOver(QWidget *window, const QWidget *owner);

// The width a window needs for caption in its title bar: the caption in the bold font that
// title bars use, beside the window's icon and buttons.
int TitleBarWidth(const QWidget *window, const QString &caption);

// Status-bar hints: the pointer entering a hinted control puts the control's tooltip into
// the status bar; entering a cleared one (the background, panels) clears it.
class StatusHints : public QObject
{
    Q_OBJECT
public:
    // With clearOnLeave, leaving a hinted control clears the bar too.
    StatusHints(QStatusBar *bar, bool clearOnLeave, QObject *parent);

    void hint(std::initializer_list<QWidget *> widgets);
    void clear(std::initializer_list<QWidget *> widgets);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStatusBar *m_bar;
    bool m_clearOnLeave;
    QSet<const QObject *> m_hinted;
};

} // namespace zeltar
