#include "http_server.h"

#include "core/errors.h"
#include "rpc/rpc_protocol.h"

#include <QLoggingCategory>
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcTls, "pla.server.tls")

namespace pla::server {

namespace {

// TLS 1.2 with forward-secret AEAD suites only, and TLS 1.3 (whose suites all are).
constexpr const char* Tls12Ciphers = "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
                                     "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
                                     "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";
constexpr const char* Tls13Suites =
    "TLS_AES_128_GCM_SHA256:TLS_AES_256_GCM_SHA384:TLS_CHACHA20_POLY1305_SHA256";

QString peerOf(int fd) {
    sockaddr_storage addr{};
    socklen_t len = sizeof(addr);
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return QStringLiteral("?");
    }
    char text[INET6_ADDRSTRLEN] = {};
    const void* where =
        addr.ss_family == AF_INET6
            ? static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(&addr)->sin6_addr)
            : static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(&addr)->sin_addr);
    inet_ntop(addr.ss_family, where, text, sizeof(text));
    return QString::fromLatin1(text);
}

// A handshake that failed because the client spoke plain HTTP gets a plain answer
// saying so, and a line in the log; any other failure, a line.
void handshakeWatch(const SSL* ssl, int where, int ret) {
    if (!(where & SSL_CB_ACCEPT_EXIT) || ret > 0) {
        return;
    }
    const unsigned long error = ERR_peek_error();
    const int fd = SSL_get_fd(ssl);
    if (ERR_GET_LIB(error) == ERR_LIB_SSL && ERR_GET_REASON(error) == SSL_R_HTTP_REQUEST) {
        qCWarning(lcTls).noquote()
            << "plain HTTP from" << peerOf(fd) << "on the TLS port: the client must use https://";
        static const QByteArray answer = [] {
            const QByteArray body =
                QStringLiteral("Esta porta fala TLS: use https:// para falar com o servidor.\n")
                    .toUtf8();
            return QByteArray("HTTP/1.1 400 Bad Request\r\nContent-Type: text/plain; "
                              "charset=utf-8\r\nConnection: close\r\nContent-Length: ") +
                   QByteArray::number(body.size()) + "\r\n\r\n" + body;
        }();
        [[maybe_unused]] const ssize_t written =
            ::write(fd, answer.constData(), size_t(answer.size()));
    } else if (error != 0 && ERR_GET_REASON(error) != SSL_R_UNEXPECTED_EOF_WHILE_READING) {
        qCWarning(lcTls).noquote()
            << "TLS handshake with" << peerOf(fd) << "failed:" << ERR_reason_error_string(error);
    }
}

void harden(SSL_CTX* ctx) {
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_cipher_list(ctx, Tls12Ciphers);
    SSL_CTX_set_ciphersuites(ctx, Tls13Suites);
    SSL_CTX_set_options(ctx, SSL_OP_CIPHER_SERVER_PREFERENCE | SSL_OP_NO_COMPRESSION |
                                 SSL_OP_NO_RENEGOTIATION);
    SSL_CTX_set_info_callback(ctx, handshakeWatch);
}

QString bearerToken(const httplib::Request& req) {
    const std::string auth = req.get_header_value("Authorization");
    static const std::string prefix = "Bearer ";
    if (auth.compare(0, prefix.size(), prefix) != 0) {
        return {};
    }
    return QString::fromStdString(auth.substr(prefix.size())).trimmed();
}

void setCbor(httplib::Response& res, int status, const QByteArray& body) {
    res.status = status;
    res.set_content(body.constData(), static_cast<size_t>(body.size()), "application/cbor");
}

} // namespace

THttpServer::THttpServer(const TDispatcher& dispatcher, const THttpServerOptions& options)
    : dispatcher_(dispatcher)
    , options_(options) {
    if (options_.CertFile.isEmpty() != options_.KeyFile.isEmpty()) {
        throw EPlaError(QStringLiteral("HTTPS precisa do certificado e da chave"));
    }
    if (Tls()) {
        auto tls = std::make_unique<httplib::SSLServer>(options_.CertFile.toStdString().c_str(),
                                                        options_.KeyFile.toStdString().c_str());
        if (!tls->is_valid()) {
            throw EPlaError(QStringLiteral("Certificado ou chave inválidos: %1, %2")
                                .arg(options_.CertFile, options_.KeyFile));
        }
        harden(tls->ssl_context());
        server_ = std::move(tls);
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
    const int threads = std::max(1, options_.Threads);
    server_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server_->set_payload_max_length(static_cast<size_t>(options_.MaxBodyBytes));
    server_->set_read_timeout(options_.ReadTimeoutSec, 0);
    server_->set_write_timeout(options_.WriteTimeoutSec, 0);
    server_->set_keep_alive_timeout(options_.IdleTimeoutSec);
    server_->set_keep_alive_max_count(1000);
    server_->set_tcp_nodelay(true);

    server_->Post(R"(/rpc/([A-Za-z0-9._-]+)/([A-Za-z0-9._-]+))", [this](const httplib::Request& req,
                                                                        httplib::Response& res) {
        const QByteArray body(req.body.data(), static_cast<qsizetype>(req.body.size()));
        const TDispatchReply reply = dispatcher_.Dispatch(
            QString::fromStdString(req.matches[1]), QString::fromStdString(req.matches[2]),
            bearerToken(req), body, QString::fromStdString(req.remote_addr));
        setCbor(res, reply.Status, reply.Body);
    });
    server_->Post("/session", [this](const httplib::Request& req, httplib::Response& res) {
        const TDispatchReply reply =
            dispatcher_.SignIn(QByteArray(req.body.data(), static_cast<qsizetype>(req.body.size())),
                               QString::fromStdString(req.remote_addr));
        setCbor(res, reply.Status, reply.Body);
    });
    server_->Delete("/session", [this](const httplib::Request& req, httplib::Response& res) {
        const TDispatchReply reply = dispatcher_.SignOut(bearerToken(req));
        setCbor(res, reply.Status, reply.Body);
    });
    server_->Get("/health", [this](const httplib::Request&, httplib::Response& res) {
        bool ok = true;
        try {
            ok = !options_.Healthy || options_.Healthy();
        } catch (const std::exception&) {
            ok = false;
        }
        res.status = ok ? 200 : 503;
        res.set_content(ok ? "ok" : "database unavailable", "text/plain");
    });
    // Whatever the library refuses by itself (an unknown path, a body over the limit)
    // still answers with a CBOR text naming the problem.
    server_->set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
            if (!res.body.empty()) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            QString text;
            switch (res.status) {
            case 404:
                text = QStringLiteral("Caminho desconhecido: use POST /rpc/<módulo>/<método>");
                break;
            case 413:
                text = QStringLiteral("Requisição maior que o limite do servidor");
                break;
            case 400:
                text = QStringLiteral("Requisição HTTP malformada");
                break;
            default:
                text = QStringLiteral("Erro HTTP %1").arg(res.status);
                break;
            }
            setCbor(res, res.status, rpc::EncodeErrorBody(text));
            return httplib::Server::HandlerResponse::Handled;
        }));
}

THttpServer::~THttpServer() {
    Stop();
}

int THttpServer::Bind() {
    const std::string address = options_.Address.toStdString();
    if (options_.Port == 0) {
        port_ = server_->bind_to_any_port(address.c_str());
    } else {
        port_ = server_->bind_to_port(address.c_str(), options_.Port) ? options_.Port : -1;
    }
    if (port_ <= 0) {
        throw EPlaError(QStringLiteral("Não foi possível escutar em %1:%2")
                            .arg(options_.Address)
                            .arg(options_.Port));
    }
    return port_;
}

void THttpServer::Serve() {
    {
        std::lock_guard lock(stateMutex_);
        if (stopRequested_) {
            return;
        }
        serving_ = true;
    }
    server_->listen_after_bind();
    serving_ = false;
}

int THttpServer::Start() {
    Bind();
    thread_ = std::thread([this] { Serve(); });
    return port_;
}

void THttpServer::Stop() {
    bool serving = false;
    {
        std::lock_guard lock(stateMutex_);
        stopRequested_ = true;
        serving = serving_;
    }
    if (serving && server_) {
        // Serving has begun or is about to: wait until the loop runs, then end it.
        while (serving_ && !server_->is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        server_->stop();
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

} // namespace pla::server
