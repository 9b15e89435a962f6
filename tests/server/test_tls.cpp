#include "qt_print.h"
#include "rpc/http_transport.h"
#include "rpc/rpc_protocol.h"
#include "rpc/session_client.h"
#include "server/http_server.h"

#include <QMutex>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace pla;
using namespace pla::rpc;
using namespace pla::server;

namespace {

// A self-signed certificate for 127.0.0.1 with an RSA key (so that suites without
// forward secrecy would be possible, were they not refused).
struct TCertificate {
    QTemporaryDir Dir;
    QString Cert = Dir.filePath("servidor.crt");
    QString Key = Dir.filePath("servidor.key");

    TCertificate() {
        EVP_PKEY* key = EVP_RSA_gen(2048);
        X509* x = X509_new();
        X509_set_version(x, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(x), 1);
        X509_gmtime_adj(X509_getm_notBefore(x), -60);
        X509_gmtime_adj(X509_getm_notAfter(x), 3600);
        X509_set_pubkey(x, key);
        X509_NAME* name = X509_get_subject_name(x);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(x, name);
        X509V3_CTX ctx;
        X509V3_set_ctx(&ctx, x, x, nullptr, nullptr, 0);
        X509_EXTENSION* san =
            X509V3_EXT_conf_nid(nullptr, &ctx, NID_subject_alt_name, "IP:127.0.0.1");
        X509_add_ext(x, san, -1);
        X509_EXTENSION_free(san);
        X509_sign(x, key, EVP_sha256());
        FILE* c = fopen(Cert.toLocal8Bit().constData(), "w");
        PEM_write_X509(c, x);
        fclose(c);
        FILE* k = fopen(Key.toLocal8Bit().constData(), "w");
        PEM_write_PrivateKey(k, key, nullptr, nullptr, 0, nullptr, nullptr);
        fclose(k);
        X509_free(x);
        EVP_PKEY_free(key);
    }
};

class TNoSessions : public ISessions {
public:
    std::optional<QString> Authenticate(const QString&) override { return std::nullopt; }
    std::pair<QString, QDateTime> SignIn(const QString&, const QString&, const QString&) override {
        throw EPlaError("Operador ou senha inválidos.");
    }
    void SignOut(const QString&) override {}
};

class Tls : public ::testing::Test {
protected:
    Tls()
        : dispatcher_(sessions_) {
        THttpServerOptions o;
        o.Port = 0;
        o.CertFile = certificate_.Cert;
        o.KeyFile = certificate_.Key;
        o.IdleTimeoutSec = 1;
        server_ = std::make_unique<THttpServer>(dispatcher_, o);
        port_ = server_->Start();
    }
    int connectTo() const {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(quint16(port_));
        inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        return fd;
    }
    // A handshake with the client's own limits: the suite agreed, or empty.
    QString handshake(int minVersion, int maxVersion, const char* tls12Ciphers) const {
        SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
        SSL_CTX_set_min_proto_version(ctx, minVersion);
        SSL_CTX_set_max_proto_version(ctx, maxVersion);
        SSL_CTX_set_security_level(ctx, 0);
        if (tls12Ciphers) {
            SSL_CTX_set_cipher_list(ctx, tls12Ciphers);
        }
        SSL* ssl = SSL_new(ctx);
        const int fd = connectTo();
        SSL_set_fd(ssl, fd);
        QString agreed;
        if (SSL_connect(ssl) == 1) {
            agreed = QString::fromLatin1(SSL_get_cipher_name(ssl));
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
        SSL_CTX_free(ctx);
        ::close(fd);
        return agreed;
    }

    TCertificate certificate_;
    TNoSessions sessions_;
    TDispatcher dispatcher_;
    std::unique_ptr<THttpServer> server_;
    int port_ = 0;
};

TEST_F(Tls, ACallOverTlsVerifiesTheServer) {
    THttpClientOptions o;
    o.Port = port_;
    o.Tls = true;
    o.CaCertFile = certificate_.Cert;
    THttpTransport t(o);
    try {
        SignIn(t, "ANA", "errada");
        FAIL();
    } catch (const ERpcError& e) {
        EXPECT_EQ(e.Status(), 401) << "the server answered over TLS: " << e.message().toStdString();
    }
}

TEST_F(Tls, OnlyTls12WithForwardSecretAeadSuitesAndTls13) {
    EXPECT_EQ(handshake(TLS1_VERSION, TLS1_1_VERSION, nullptr), "") << "TLS 1.0 and 1.1 refused";
    EXPECT_EQ(handshake(TLS1_2_VERSION, TLS1_2_VERSION, "AES128-GCM-SHA256:AES256-SHA256"), "")
        << "TLS 1.2 without forward secrecy refused";
    EXPECT_EQ(handshake(TLS1_2_VERSION, TLS1_2_VERSION, "ECDHE-RSA-AES128-SHA256"), "")
        << "TLS 1.2 without an AEAD refused";
    EXPECT_EQ(handshake(TLS1_2_VERSION, TLS1_2_VERSION, "ECDHE-RSA-AES128-GCM-SHA256"),
              "ECDHE-RSA-AES128-GCM-SHA256");
    EXPECT_TRUE(handshake(TLS1_3_VERSION, TLS1_3_VERSION, nullptr).startsWith("TLS_"));
}

TEST_F(Tls, PlainHttpToTheTlsPortGetsAClearAnswerAndALogLine) {
    static QMutex mutex;
    static QStringList lines;
    lines.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            QMutexLocker lock(&mutex);
            lines << text;
        });
    const int fd = connectTo();
    const QByteArray request = "POST /session HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: "
                               "0\r\n\r\n";
    ASSERT_EQ(::write(fd, request.constData(), size_t(request.size())), request.size());
    QByteArray answer;
    char buffer[512];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof(buffer))) > 0;) {
        answer.append(buffer, n);
    }
    ::close(fd);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 400")) << answer.toStdString();
    EXPECT_TRUE(QString::fromUtf8(answer).contains("use https://")) << answer.toStdString();
    QMutexLocker lock(&mutex);
    EXPECT_TRUE(lines.join("\n").contains("plain HTTP from 127.0.0.1 on the TLS port"))
        << lines.join("\n").toStdString();
}

// Desktops that go away before their answer (closed, or reset by a firewall) make
// the server's TLS write fail; the server carries on.
TEST_F(Tls, AClientGoneBeforeItsAnswerDoesNotStopTheServer) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    const QByteArray request = "POST /session HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: "
                               "2\r\n\r\n\x82\x60";
    for (int i = 0; i < 20; ++i) {
        SSL* ssl = SSL_new(ctx);
        const int fd = connectTo();
        SSL_set_fd(ssl, fd);
        ASSERT_EQ(SSL_connect(ssl), 1);
        ASSERT_EQ(SSL_write(ssl, request.constData(), int(request.size())), request.size());
        const linger reset{1, 0}; // gone at once: a reset, not a close
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
        SSL_free(ssl);
        ::close(fd);
    }
    SSL_CTX_free(ctx);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    THttpClientOptions o;
    o.Port = port_;
    o.Tls = true;
    o.CaCertFile = certificate_.Cert;
    THttpTransport t(o);
    EXPECT_EQ(t.SignIn(EncodeValue(QVariantList{"ANA", "errada"})).Status, 401);
}

} // namespace
