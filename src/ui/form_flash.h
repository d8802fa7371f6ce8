#pragma once

#include <QFrame>

class QLabel;

namespace zeltar {

// The splash picture shown for a moment while the station starts.
class FormFlash : public QFrame
{
    Q_OBJECT
public:
    explicit FormFlash(QWidget *parent = nullptr);

    // Shows the splash centred on the screen and paints it at once.
    void showNow();

    QLabel *Image1;
};

} // namespace zeltar
