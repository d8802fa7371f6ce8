#pragma once

#include <QDialog>
#include <QPointer>

#include <array>

class QLabel;
class QPushButton;

namespace zeltar {

struct LinkTestResult;

// The link test dialog: what the test found at the instrument's port, or that nothing
// answered. It stays on top, and closing it, by its button or its close box, makes the
// settings window usable again.
class FormInfoUstr : public QDialog
{
    Q_OBJECT
public:
    // settingsWindow is the window that the link test disables while the dialog is open.
    explicit FormInfoUstr(QWidget *settingsWindow = nullptr);

    // The test starts: the dialog disabled, the value fields empty and hidden, the labels
    // as the previous test left them, "Прибор не найден" hidden.
    void beginTest();
    // The progress line in the caption.
    void showProgress(const QString &caption);
    // The result: the labels and values when something answered, else "Прибор не найден".
    void showResult(const LinkTestResult &result);
    // The test has ended: the dialog reacts again.
    void endTest();

    QLabel *stPort;
    QLabel *stBaud;
    QLabel *stAdr;
    QLabel *stType;
    QLabel *StVer;
    QLabel *stQW;
    std::array<QLabel *, 6> labels; // StaticText1 to StaticText6
    QLabel *stNoFind;
    QPushButton *Button1;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Button1Click();
    void enableSettingsWindow();
    std::array<QLabel *, 6> values() const;
    void setFoundVisible(bool found);

    QPointer<QWidget> m_settingsWindow;
};

} // namespace zeltar
