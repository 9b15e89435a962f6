#pragma once

#include <QByteArray>
#include <QString>
#include <boost/asio/ssl/context.hpp>
#include <memory>

namespace pla::server {

// The server's TLS: TLS 1.2 with forward-secret AEAD suites only, and TLS 1.3 (whose
// suites all are). Raises EPlaError when the certificate or the key cannot be used.
std::unique_ptr<boost::asio::ssl::context> MakeServerTlsContext(const QString& certFile,
                                                                const QString& keyFile);

// A TLS connection opens with a handshake record; anything else on the TLS port is a
// client speaking plain HTTP.
constexpr unsigned char TlsHandshakeRecord = 0x16;

// The whole plain-HTTP answer given to such a client before closing.
const QByteArray& PlainHttpOnTlsPortAnswer();

} // namespace pla::server
