#pragma once

#include "server/embedded_server.h"

#include <QHash>
#include <QStringList>
#include <QVariant>
#include <memory>

namespace pla::test {

// The host's context signed in to an embedded test server as a demonstration
// operator: session, branch, lookups on the server's database, in-process calls.
// Everything is undone at the end.
class TSignedInHost {
public:
    TSignedInHost(TEmbeddedServer& server, const QString& operador);
    ~TSignedInHost();
    TSignedInHost(const TSignedInHost&) = delete;
    TSignedInHost& operator=(const TSignedInHost&) = delete;

    // The calls the desktop made, as "module.method", in order.
    QStringList Calls() const { return state_->Calls; }
    void ClearCalls() { state_->Calls.clear(); }
    // The next call of the method answers this result without reaching the server
    // (its by-reference arguments come back as sent): a server's answer a test needs.
    void AnswerNext(const QString& method, const QVariant& result) {
        state_->Answers.insert(method, result);
    }

    struct TState {
        QStringList Calls;
        QHash<QString, QVariant> Answers;
    };

private:
    std::unique_ptr<db::TDatabase> lookups_;
    std::shared_ptr<TState> state_ = std::make_shared<TState>();
};

} // namespace pla::test
