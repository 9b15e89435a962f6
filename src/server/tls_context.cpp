#include "tls_context.h"

#include "core/errors.h"

#include <openssl/ssl.h>

namespace pla::server {

namespace {

constexpr const char* Tls12Ciphers = "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
                                     "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
                                     "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";
constexpr const char* Tls13Suites =
    "TLS_AES_128_GCM_SHA256:TLS_AES_256_GCM_SHA384:TLS_CHACHA20_POLY1305_SHA256";

} // namespace

std::unique_ptr<boost::asio::ssl::context> MakeServerTlsContext(const QString& certFile,
                                                                const QString& keyFile) {
    namespace ssl = boost::asio::ssl;
    auto ctx = std::make_unique<ssl::context>(ssl::context::tls_server);
    boost::system::error_code certError;
    boost::system::error_code keyError;
    ctx->use_certificate_chain_file(certFile.toStdString(), certError);
    ctx->use_private_key_file(keyFile.toStdString(), ssl::context::pem, keyError);
    if (certError || keyError || SSL_CTX_check_private_key(ctx->native_handle()) != 1) {
        throw EPlaError(
            QStringLiteral("Certificado ou chave inválidos: %1, %2").arg(certFile, keyFile));
    }
    SSL_CTX* native = ctx->native_handle();
    SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION);
    SSL_CTX_set_cipher_list(native, Tls12Ciphers);
    SSL_CTX_set_ciphersuites(native, Tls13Suites);
    SSL_CTX_set_options(native, SSL_OP_CIPHER_SERVER_PREFERENCE | SSL_OP_NO_COMPRESSION |
                                    SSL_OP_NO_RENEGOTIATION);
    // An idle kept-alive connection gives its record buffers back.
    SSL_CTX_set_mode(native, SSL_MODE_RELEASE_BUFFERS | SSL_MODE_ENABLE_PARTIAL_WRITE |
                                 SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    return ctx;
}

const QByteArray& PlainHttpOnTlsPortAnswer() {
    static const QByteArray answer = [] {
        const QByteArray body =
            QStringLiteral("Esta porta fala TLS: use https:// para falar com o servidor.\n")
                .toUtf8();
        return QByteArray("HTTP/1.1 400 Bad Request\r\nContent-Type: text/plain; "
                          "charset=utf-8\r\nConnection: close\r\nContent-Length: ") +
               QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }();
    return answer;
}

} // namespace pla::server
