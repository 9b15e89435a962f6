#pragma once

#include <QVariant>
#include <QVariantList>

namespace pla::rpc {
class TConnectionCounter;
class TNetConnection;
struct TMethodSpec;
} // namespace pla::rpc

namespace pla::host {

// A declared method called with its values typed by the method's contract, under the
// hourglass and with the connection counted for the length of the call; both are given
// back also when the call fails. The answer comes as the server gave it.
QVariant ChamaServidor(rpc::TNetConnection& net, rpc::TConnectionCounter& counter,
                       const rpc::TMethodSpec& spec, const QVariantList& values);

} // namespace pla::host
