#pragma once

#include <boost/asio/awaitable.hpp>
#include <boost/asio/buffer.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <chrono>
#include <utility>

using SSL = struct ssl_st;

namespace pla::server {

using TDeadline = std::chrono::steady_clock::time_point;

// Waits until the socket can be read (or written) without blocking. False when the
// deadline passes first or the socket is closed (a stop closes idle connections).
boost::asio::awaitable<bool> Ready(boost::asio::ip::tcp::socket& socket,
                                   boost::asio::ip::tcp::socket::wait_type what,
                                   TDeadline deadline);

// The bytes of one connection, plain or TLS. OpenSSL reads and writes the socket
// itself and gives its record buffers back between calls, so an idle TLS connection
// keeps its session and no buffer; every wait is for the socket to be ready.
class TChannel {
public:
    // Takes the TLS session, when there is one; the socket must outlive the channel.
    TChannel(boost::asio::ip::tcp::socket& socket, SSL* tls);
    ~TChannel();
    TChannel(const TChannel&) = delete;
    TChannel& operator=(const TChannel&) = delete;

    boost::asio::awaitable<boost::system::error_code> Handshake(TDeadline deadline);
    // Some bytes, at least one; eof when the peer closed.
    boost::asio::awaitable<std::pair<boost::system::error_code, std::size_t>>
    ReadSome(boost::asio::mutable_buffer into, TDeadline deadline);
    boost::asio::awaitable<boost::system::error_code> WriteAll(boost::asio::const_buffer bytes,
                                                               TDeadline deadline);
    // Decrypted bytes TLS holds that the socket will not announce.
    bool Pending() const;
    boost::asio::ip::tcp::socket& Socket() { return socket_; }

private:
    boost::asio::ip::tcp::socket& socket_;
    SSL* tls_ = nullptr;
};

} // namespace pla::server
