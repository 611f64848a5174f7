// SPDX-License-Identifier: Apache-2.0
/*
 * tls_master.cpp - see tls_master.h.
 */
#include "fakes/tls_master.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/time.h>

#include <chrono>
#include <cstdio>

namespace qxtest
{

namespace
{

/* A socket BIO that also records what passes (a piece per send or receive). */
struct WireRecorder {
    int fd;
    std::mutex* mutex;
    Capture* capture;
};

int recorderWrite(BIO* bio, const char* data, int size)
{
    WireRecorder* recorder = static_cast<WireRecorder*>(BIO_get_data(bio));
    ssize_t sent = ::send(recorder->fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
    if (sent > 0) {
        std::lock_guard<std::mutex> guard(*recorder->mutex);
        recorder->capture->push_back({true, Octets(data, data + sent)});
    }
    return static_cast<int>(sent);
}

int recorderRead(BIO* bio, char* data, int size)
{
    WireRecorder* recorder = static_cast<WireRecorder*>(BIO_get_data(bio));
    ssize_t received = ::recv(recorder->fd, data, static_cast<size_t>(size), 0);
    if (received > 0) {
        std::lock_guard<std::mutex> guard(*recorder->mutex);
        recorder->capture->push_back({false, Octets(data, data + received)});
    }
    return static_cast<int>(received);
}

long recorderControl(BIO*, int command, long, void*)
{
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

BIO_METHOD* recorderMethod()
{
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "wire recorder");
        BIO_meth_set_write(m, recorderWrite);
        BIO_meth_set_read(m, recorderRead);
        BIO_meth_set_ctrl(m, recorderControl);
        BIO_meth_set_create(m, [](BIO* bio) {
            BIO_set_init(bio, 1);
            return 1;
        });
        return m;
    }();
    return method;
}

/* Appends one key-log line to the file named in the context's app data. */
void writeKeyLog(const SSL* ssl, const char* line)
{
    const std::string* path =
        static_cast<const std::string*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
    if (FILE* file = std::fopen(path->c_str(), "a")) {
        std::fprintf(file, "%s\n", line);
        std::fclose(file);
    }
}

SSL_CTX* clientContext(const TlsClientOptions& options)
{
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (!options.caFile.empty()) {
        SSL_CTX_load_verify_locations(ctx, options.caFile.c_str(), nullptr);
        SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    }
    if (!options.certFile.empty()) {
        SSL_CTX_use_certificate_chain_file(ctx, options.certFile.c_str());
        SSL_CTX_use_PrivateKey_file(ctx, options.keyFile.c_str(), SSL_FILETYPE_PEM);
    }
    if (options.minVersion != 0) {
        // The library's own floor (security level) would hide the station's answer.
        SSL_CTX_set_security_level(ctx, 0);
        SSL_CTX_set_min_proto_version(ctx, options.minVersion);
    }
    if (options.maxVersion != 0)
        SSL_CTX_set_max_proto_version(ctx, options.maxVersion);
    if (!options.keyLogFile.empty()) {
        SSL_CTX_set_app_data(ctx, const_cast<std::string*>(&options.keyLogFile));
        SSL_CTX_set_keylog_callback(ctx, writeKeyLog);
    }
    return ctx;
}

std::string openSslError()
{
    char text[256] = "";
    unsigned long code = ERR_get_error();
    if (code != 0)
        ERR_error_string_n(code, text, sizeof(text));
    ERR_clear_error();
    return text[0] != '\0' ? text : "connection closed";
}

/* Handshake over a connected socket, through the recorder; ssl stays for the caller. */
TlsClientResult handshake(SSL* ssl, std::chrono::steady_clock::time_point start)
{
    TlsClientResult result;
    result.ok = SSL_connect(ssl) == 1;
    result.handshakeMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (result.ok)
        result.version = SSL_get_version(ssl);
    else
        result.error = openSslError();
    return result;
}

} // namespace

TlsClientResult tlsHandshakeOnce(uint16_t port, const TlsClientOptions& options)
{
    std::mutex mutex;
    Capture ignored;
    auto start = std::chrono::steady_clock::now();
    RawSocket socket = rawConnect(port);
    if (!socket.valid())
        return TlsClientResult{false, 0, "", "connect failed"};
    timeval limit = {8, 0};
    ::setsockopt(socket.fd(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    SSL_CTX* ctx = clientContext(options);
    SSL* ssl = SSL_new(ctx);
    // A read that only took a session ticket returns instead of waiting on.
    SSL_clear_mode(ssl, SSL_MODE_AUTO_RETRY);
    WireRecorder recorder{socket.fd(), &mutex, &ignored};
    BIO* bio = BIO_new(recorderMethod());
    BIO_set_data(bio, &recorder);
    SSL_set_bio(ssl, bio, bio);
    TlsClientResult result = handshake(ssl, start);
    if (result.ok) {
        // A TLS 1.3 station checks the certificate after the client's
        // Finished: its refusal arrives as an alert on the first read.
        // Session tickets may come first; only an alert or a close refuses.
        int64_t until = monotonicMs() + 300;
        pollfd entry = {socket.fd(), POLLIN, 0};
        while (result.ok && monotonicMs() < until &&
               ::poll(&entry, 1, static_cast<int>(until - monotonicMs())) == 1) {
            char octet;
            if (SSL_read_ex(ssl, &octet, 1, nullptr) == 1)
                continue;
            int error = SSL_get_error(ssl, 0);
            if (error != SSL_ERROR_WANT_READ) {
                result.ok = false;
                result.error = openSslError();
            }
        }
        SSL_shutdown(ssl);
    }
    SSL_free(ssl);
    SSL_CTX_free(ctx);
    return result;
}

bool TlsTunnel::start(uint16_t stationPort, const TlsClientOptions& options)
{
    listener_ = rawListen(1);
    if (!listener_.valid())
        return false;
    port_ = localPort(listener_.fd());
    thread_ = std::thread([this, stationPort, options] { run(stationPort, options); });
    return true;
}

TlsTunnel::~TlsTunnel()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

TlsClientResult TlsTunnel::waitHandshake(int timeoutMs)
{
    int64_t deadline = monotonicMs() + timeoutMs;
    while (!done_ && monotonicMs() < deadline)
        ::poll(nullptr, 0, 5);
    std::lock_guard<std::mutex> guard(mutex_);
    return done_ ? result_ : TlsClientResult{false, 0, "", "no handshake in time"};
}

Capture TlsTunnel::wire()
{
    std::lock_guard<std::mutex> guard(mutex_);
    return wire_;
}

void TlsTunnel::run(uint16_t stationPort, TlsClientOptions options)
{
    pollfd waiting = {listener_.fd(), POLLIN, 0};
    while (!stop_ && ::poll(&waiting, 1, 20) == 0) {
    }
    if (stop_)
        return;
    RawSocket plain(::accept(listener_.fd(), nullptr, nullptr));
    auto start = std::chrono::steady_clock::now();
    RawSocket station = rawConnect(stationPort);
    // Each piece goes on at once, as the master's own socket would send it.
    int one = 1;
    ::setsockopt(plain.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    ::setsockopt(station.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    SSL_CTX* ctx = clientContext(options);
    SSL* ssl = SSL_new(ctx);
    WireRecorder recorder{station.fd(), &mutex_, &wire_};
    BIO* bio = BIO_new(recorderMethod());
    BIO_set_data(bio, &recorder);
    SSL_set_bio(ssl, bio, bio);
    TlsClientResult result =
        station.valid() ? handshake(ssl, start) : TlsClientResult{false, 0, "", "connect failed"};
    {
        std::lock_guard<std::mutex> guard(mutex_);
        result_ = result;
    }
    done_ = true;
    // Octets both ways until either side closes or the tunnel is destroyed.
    while (result.ok && !stop_) {
        pollfd entries[2] = {{plain.fd(), POLLIN, 0}, {station.fd(), POLLIN, 0}};
        if (SSL_pending(ssl) == 0 && ::poll(entries, 2, 20) <= 0)
            continue;
        uint8_t buffer[4096];
        if ((entries[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            ssize_t count = ::recv(plain.fd(), buffer, sizeof(buffer), 0);
            if (count <= 0 || SSL_write(ssl, buffer, static_cast<int>(count)) <= 0)
                break;
        }
        if (SSL_pending(ssl) > 0 || (entries[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            int count = SSL_read(ssl, buffer, sizeof(buffer));
            if (count <= 0 || !writeAll(plain.fd(), buffer, static_cast<size_t>(count)))
                break;
        }
    }
    if (result.ok)
        SSL_shutdown(ssl);
    SSL_free(ssl);
    SSL_CTX_free(ctx);
    ERR_clear_error();
}

} // namespace qxtest
