#pragma once
// Who and where the station runs: the computer's network name and the name
// of the user the program runs as, as the operating system reports them.
// The rules that turn them into the workstation's keys in the database
// (short name, at most 16 characters) belong to the Workstation, so they
// are the same on every platform.

#include <QString>

namespace productiondb {

class SystemIdentity
{
public:
    virtual ~SystemIdentity() = default;
    // The host's name as the system gives it (it may carry a domain).
    virtual QString computerName() const = 0;
    // The name of the user the program runs as; empty when it cannot be read.
    virtual QString userName() const = 0;
};

// This computer and its logged-in user (systemidentity_unix.cpp,
// systemidentity_win.cpp).
class OsIdentity : public SystemIdentity
{
public:
    QString computerName() const override;
    QString userName() const override;
};

} // namespace productiondb
