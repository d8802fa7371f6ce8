#pragma once

#include <QLockFile>
#include <QString>

namespace zeltar {

// Only one station runs on a machine at a time: the first one holds the lock
// "MYPROGRAM_CHECKEXIST" in the temporary folder for as long as it runs. A lock left by a
// run that crashed is taken over.
class SingleInstance
{
public:
    static constexpr int WaitMs = 10;

    SingleInstance();

    // True for the first instance (it holds the lock from now on).
    bool tryAcquire();

    static QString lockPath();

private:
    QLockFile m_lock;
};

} // namespace zeltar
