#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include <initializer_list>

class QStatusBar;
class QWidget;

namespace zeltar {

// Gives widget the name the operators and the tests know it by, and returns it.
template <typename T> T *named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

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
