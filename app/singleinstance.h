#pragma once
// One window per user and network namespace: a second would share the reply ports with the
// first and each would list only some of the devices.

#include <QLockFile>
#include <QString>

class SingleInstance
{
public:
    // Claims the lock in the user's runtime folder; `folder` replaces that folder (tests).
    explicit SingleInstance(const QString& folder = QString());
    // False only when another live window holds the lock; a lock that cannot be made at all
    // (no runtime folder) does not keep the window from starting.
    bool claimed() const { return claimed_; }
    // The line to show when it is not: which process holds the lock.
    QString refusal() const;

private:
    QLockFile lock;
    bool claimed_ = true;
};
