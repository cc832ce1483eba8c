#pragma once

#include <QString>
#include <memory>

// A session manager of its own (XSMP over ICE, local socket only) for
// whole-program tests: the program registers with it as with a desktop
// session, and the test asks it to save and to end, as a logout does. It
// answers while the test processes events (ProgramProcess::waitFor).
class SessionManagerStub final
{
    Q_DISABLE_COPY_MOVE(SessionManagerStub)

public:
    enum class SaveType { Global, Local }; // what a save request asks the client to save

    SessionManagerStub();
    ~SessionManagerStub();

    // The program's SESSION_MANAGER; "" when it could not listen.
    QString address() const { return m_address; }
    // Asks the client to save (no shutdown, no interaction), waits for "done".
    bool saveYourself(SaveType type);
    // Tells the registered client to end.
    void die();

    struct State;

private:
    std::unique_ptr<State> d;
    QString m_address;
};
