// SPDX-License-Identifier: Apache-2.0
/*
 * The TLS transport of a master connection (cs104_tls_stream.h).
 *
 * OpenSSL reaches the socket through a small BIO over the platform layer's
 * Socket functions: a read never waits (nothing there: "retry"), a write
 * hands the whole record to Socket_write, which waits for room in the send
 * buffer within the socket's send time-out. So OpenSSL never sees a write
 * that would block; an SSL_write that must first read (the handshake still
 * running) waits until the socket is readable, bounded by the handshake
 * deadline, and tries again.
 *
 * The connection's thread reads while another thread may write a reply
 * (under the connection's window lock): the SSL object is not safe for
 * that, so every OpenSSL call on it holds the stream's mutex. Reads hold it
 * only briefly (they never wait); a write holds it until its record is
 * handed to the socket.
 *
 * A gathered write copies the frames into the stream's own buffer and hands
 * it to one SSL_write: the frames then share TLS records (one record header
 * and tag for up to a window of frames) instead of one record each.
 *
 * The handshake handler is called once, outside the mutex, by whichever
 * thread ended the handshake.
 */
#include "cs104_tls_stream.h"

#include "cs104_tls_context.h"
#include "hal_time.h"

#include <openssl/err.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace
{

/* close_notify at destroy may wait this long for room in the send buffer. */
const uint32_t kCloseNotifyTimeoutMs = 200;
/* A write that must wait for the peer after the handshake waits at most this. */
const unsigned int kWriteWaitMs = SOCKET_DEFAULT_SEND_TIMEOUT_MS;
const int kPeerAddressSize = 60;

/* ------------------------------------------------------------- socket BIO */

int bioWrite(BIO* bio, const char* data, int size)
{
    BIO_clear_retry_flags(bio);
    Socket socket = static_cast<Socket>(BIO_get_data(bio));
    int written = Socket_write(socket, reinterpret_cast<const uint8_t*>(data), size);
    return written == size ? size : -1;
}

int bioRead(BIO* bio, char* buffer, int size)
{
    BIO_clear_retry_flags(bio);
    Socket socket = static_cast<Socket>(BIO_get_data(bio));
    int count = Socket_read(socket, reinterpret_cast<uint8_t*>(buffer), size);
    if (count > 0)
        return count;
    if (count == 0) {
        BIO_set_retry_read(bio);
        return -1;
    }
    return 0; // closed or failed: the end of the stream
}

long bioControl(BIO*, int command, long, void*)
{
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

/* Made once, kept for the life of the process. */
BIO_METHOD* socketBioMethod()
{
    static BIO_METHOD* method = [] {
        BIO_METHOD* made =
            BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "qx platform socket");
        if (made != nullptr &&
            (BIO_meth_set_write(made, bioWrite) != 1 || BIO_meth_set_read(made, bioRead) != 1 ||
             BIO_meth_set_ctrl(made, bioControl) != 1)) {
            BIO_meth_free(made);
            made = nullptr;
        }
        return made;
    }();
    return method;
}

/* ---------------------------------------------------------------- stream */

enum class Phase { Handshake, Open, Failed };

struct TlsStream {
    struct sTransportStream base; /* first: the handle points here */
    Socket socket = nullptr;
    HandleSet readSet = nullptr;  /* waitReadable's, connection thread */
    HandleSet writeSet = nullptr; /* a write's, under the mutex */
    SSL* ssl = nullptr;
    TlsStreamSetup setup;
    TlsVerifyNote note; /* the SSL's app data */
    uint64_t deadline = 0;
    char peer[kPeerAddressSize] = "";

    std::mutex lock; /* guards ssl and the fields below */
    std::atomic<Phase> phase{Phase::Handshake};
    CS104_TlsHandshakeResult result = CS104_TLS_HANDSHAKE_OK;
    std::string detail;
    bool reported = false;
    std::vector<uint8_t> gathered; /* writeFrames' copy, under the mutex; grows to the largest */
};

TlsStream* tls(TransportStream self)
{
    return reinterpret_cast<TlsStream*>(self);
}

CS104_TlsHandshakeResult resultOfSslReason(int reason)
{
    switch (reason) {
    case SSL_R_PEER_DID_NOT_RETURN_A_CERTIFICATE:
        return CS104_TLS_NO_CERTIFICATE;
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_VERSION_TOO_LOW:
    case SSL_R_NO_PROTOCOLS_AVAILABLE:
    case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
        return CS104_TLS_PROTOCOL_VERSION;
    case SSL_R_NO_SHARED_CIPHER:
    case SSL_R_NO_SHARED_GROUPS:
    case SSL_R_NO_SUITABLE_SIGNATURE_ALGORITHM:
        return CS104_TLS_NO_SHARED_CIPHER;
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_HTTP_REQUEST:
    case SSL_R_HTTPS_PROXY_REQUEST:
    case SSL_R_PACKET_LENGTH_TOO_LONG:
    case SSL_R_UNKNOWN_PROTOCOL:
        return CS104_TLS_NOT_TLS;
    case SSL_R_UNEXPECTED_EOF_WHILE_READING:
        return CS104_TLS_CLOSED;
    default:
        break;
    }
    if (reason >= SSL_AD_REASON_OFFSET && reason < SSL_AD_REASON_OFFSET + 256)
        return CS104_TLS_PEER_ALERT;
    return CS104_TLS_HANDSHAKE_FAILED;
}

/* Ends the handshake with a refusal (mutex held). */
void failLocked(TlsStream* stream, CS104_TlsHandshakeResult result, const std::string& detail)
{
    stream->result = result;
    stream->detail = detail;
    stream->phase = Phase::Failed;
}

/* Why the last handshake step failed (mutex held; OpenSSL's error queue as it left it). */
void failFromSslLocked(TlsStream* stream, int sslError)
{
    if (stream->note.result != CS104_TLS_HANDSHAKE_OK) {
        failLocked(stream, stream->note.result, stream->note.detail);
        ERR_clear_error();
        return;
    }
    unsigned long code = ERR_peek_error();
    // A refusal of the chain that the certificate check did not note itself.
    long verify = SSL_get_verify_result(stream->ssl);
    if (verify != X509_V_OK && ERR_GET_REASON(code) == SSL_R_CERTIFICATE_VERIFY_FAILED) {
        failLocked(stream, CS104_TLS_BAD_CERTIFICATE, X509_verify_cert_error_string(verify));
        ERR_clear_error();
        return;
    }
    if (code == 0) {
        failLocked(stream, CS104_TLS_CLOSED,
                   sslError == SSL_ERROR_SYSCALL ? "connection closed or broken"
                                                 : "handshake ended without a reason");
        return;
    }
    const char* reason = ERR_reason_error_string(code);
    CS104_TlsHandshakeResult result = ERR_GET_LIB(code) == ERR_LIB_SSL
                                          ? resultOfSslReason(ERR_GET_REASON(code))
                                          : CS104_TLS_HANDSHAKE_FAILED;
    failLocked(stream, result, reason != nullptr ? reason : "unknown error");
    ERR_clear_error();
}

void succeedLocked(TlsStream* stream)
{
    std::string text = SSL_get_version(stream->ssl);
    text += " ";
    text += SSL_get_cipher_name(stream->ssl);
    X509* peer = SSL_get0_peer_certificate(stream->ssl);
    if (peer != nullptr)
        text += ", " + TlsContext_nameText(X509_get_subject_name(peer));
    if (SSL_session_reused(stream->ssl))
        text += ", resumed";
    stream->result = CS104_TLS_HANDSHAKE_OK;
    stream->detail = text;
    stream->phase = Phase::Open;
}

bool pastDeadline(const TlsStream* stream)
{
    return Hal_getMonotonicTimeInMs() >= stream->deadline;
}

void failTimeoutLocked(TlsStream* stream)
{
    failLocked(stream, CS104_TLS_HANDSHAKE_TIMEOUT,
               "not completed within " + std::to_string(CS104_TLS_HANDSHAKE_TIMEOUT_MS) + " ms");
}

/*
 * One step of the handshake with what has arrived (mutex held): 1 when it
 * is complete, 0 while it waits for the peer, -1 when it failed.
 */
int advanceHandshakeLocked(TlsStream* stream)
{
    if (stream->phase == Phase::Open)
        return 1;
    if (stream->phase == Phase::Failed)
        return -1;
    ERR_clear_error();
    int done = SSL_do_handshake(stream->ssl);
    if (done == 1) {
        succeedLocked(stream);
        return 1;
    }
    int error = SSL_get_error(stream->ssl, done);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
        if (!pastDeadline(stream))
            return 0;
        failTimeoutLocked(stream);
        return -1;
    }
    failFromSslLocked(stream, error);
    return -1;
}

/* Tells the handler how the handshake ended, once (mutex not held). */
void reportOutcome(TlsStream* stream)
{
    if (stream->phase == Phase::Handshake)
        return;
    CS104_TlsHandshakeResult result;
    std::string detail;
    {
        std::lock_guard<std::mutex> guard(stream->lock);
        if (stream->reported)
            return;
        stream->reported = true;
        result = stream->result;
        detail = stream->detail;
    }
    if (stream->setup.handler != nullptr)
        stream->setup.handler(stream->setup.handlerParameter, stream->peer, result, detail.c_str());
}

int tlsRead(TransportStream self, uint8_t* buffer, int size)
{
    TlsStream* stream = tls(self);
    int count;
    {
        std::lock_guard<std::mutex> guard(stream->lock);
        int state = advanceHandshakeLocked(stream);
        if (state <= 0) {
            count = state;
        } else {
            ERR_clear_error();
            count = SSL_read(stream->ssl, buffer, size);
            if (count <= 0) {
                int error = SSL_get_error(stream->ssl, count);
                count = (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) ? 0 : -1;
                ERR_clear_error();
            }
        }
    }
    reportOutcome(stream);
    return count;
}

/*
 * Waits until the socket is readable, at most timeoutMs (mutex held): 1
 * when readable, 0 on time-out, -1 when it cannot wait.
 */
int waitForPeerLocked(TlsStream* stream, unsigned int timeoutMs)
{
    if (stream->writeSet == nullptr)
        stream->writeSet = Handleset_new();
    if (stream->writeSet == nullptr)
        return -1;
    Handleset_reset(stream->writeSet);
    Handleset_addSocket(stream->writeSet, stream->socket);
    int ready = Handleset_waitReady(stream->writeSet, timeoutMs);
    return ready > 0 ? 1 : (ready == 0 ? 0 : -1);
}

bool writeLocked(TlsStream* stream, const uint8_t* octets, int size)
{
    for (;;) {
        if (stream->phase == Phase::Failed)
            return false;
        ERR_clear_error();
        int written = SSL_write(stream->ssl, octets, size);
        if (stream->phase == Phase::Handshake && SSL_is_init_finished(stream->ssl))
            succeedLocked(stream);
        if (written == size)
            return true;
        int error = SSL_get_error(stream->ssl, written);
        if (error != SSL_ERROR_WANT_READ) {
            // The socket BIO never asks to retry a write: anything else is final.
            if (stream->phase == Phase::Handshake)
                failFromSslLocked(stream, error);
            ERR_clear_error();
            return false;
        }
        unsigned int waitMs = kWriteWaitMs;
        if (stream->phase == Phase::Handshake) {
            uint64_t now = Hal_getMonotonicTimeInMs();
            if (now >= stream->deadline) {
                failTimeoutLocked(stream);
                return false;
            }
            uint64_t left = stream->deadline - now;
            waitMs = left < waitMs ? static_cast<unsigned int>(left) : waitMs;
        }
        int ready = waitForPeerLocked(stream, waitMs);
        if (ready < 0 || (ready == 0 && stream->phase != Phase::Handshake))
            return false; // cannot wait, or the peer owes an answer and gives none
    }
}

bool tlsWrite(TransportStream self, const uint8_t* octets, int size)
{
    TlsStream* stream = tls(self);
    if (size <= 0)
        return size == 0;
    bool written;
    {
        std::lock_guard<std::mutex> guard(stream->lock);
        written = writeLocked(stream, octets, size);
    }
    reportOutcome(stream);
    return written;
}

/* Copies the frames into the stream's buffer and writes them with one
 * SSL_write; when the buffer cannot grow, one SSL_write per frame. */
bool tlsWriteFrames(TransportStream self, const TransportFrame* frames, int count)
{
    TlsStream* stream = tls(self);
    size_t total = 0;
    for (int i = 0; i < count; i++) {
        if (frames[i].size < 0)
            return false;
        total += static_cast<size_t>(frames[i].size);
    }
    bool written = true;
    {
        std::lock_guard<std::mutex> guard(stream->lock);
        bool gather = total <= INT_MAX;
        try {
            if (gather && stream->gathered.size() < total)
                stream->gathered.resize(total);
        } catch (const std::bad_alloc&) {
            gather = false;
        }
        if (gather) {
            size_t used = 0;
            for (int i = 0; i < count; i++) {
                if (frames[i].size > 0)
                    std::memcpy(stream->gathered.data() + used, frames[i].octets,
                                static_cast<size_t>(frames[i].size));
                used += static_cast<size_t>(frames[i].size);
            }
            written =
                used == 0 || writeLocked(stream, stream->gathered.data(), static_cast<int>(used));
        } else {
            for (int i = 0; i < count && written; i++)
                written =
                    frames[i].size == 0 || writeLocked(stream, frames[i].octets, frames[i].size);
        }
    }
    reportOutcome(stream);
    return written;
}

int tlsPending(TransportStream self)
{
    TlsStream* stream = tls(self);
    if (stream->phase != Phase::Open)
        return 0;
    std::lock_guard<std::mutex> guard(stream->lock);
    return SSL_pending(stream->ssl);
}

int tlsWaitReadable(TransportStream self, const WakeUp* wakeUps, int count, unsigned int timeoutMs)
{
    TlsStream* stream = tls(self);
    if (stream->phase == Phase::Failed)
        return -1;
    if (stream->readSet == nullptr)
        stream->readSet = Handleset_new();
    if (stream->readSet == nullptr)
        return -1;
    bool expired = false;
    if (stream->phase == Phase::Handshake) {
        uint64_t now = Hal_getMonotonicTimeInMs();
        uint64_t left = now < stream->deadline ? stream->deadline - now : 0;
        expired = left == 0;
        if (left < timeoutMs)
            timeoutMs = static_cast<unsigned int>(left);
    }
    int ready = 0;
    if (!expired) {
        Handleset_reset(stream->readSet);
        Handleset_addSocket(stream->readSet, stream->socket);
        for (int i = 0; i < count; i++)
            WakeUp_addTo(wakeUps[i], stream->readSet);
        ready = Handleset_waitReady(stream->readSet, timeoutMs) > 0 ? 1 : 0;
    }
    if (ready == 0 && stream->phase == Phase::Handshake && pastDeadline(stream)) {
        {
            std::lock_guard<std::mutex> guard(stream->lock);
            if (stream->phase == Phase::Handshake)
                failTimeoutLocked(stream);
        }
        reportOutcome(stream);
    }
    return stream->phase == Phase::Failed ? -1 : ready;
}

char* tlsPeerAddress(TransportStream self, char* text)
{
    return Socket_getPeerAddressStatic(tls(self)->socket, text);
}

void tlsDestroy(TransportStream self)
{
    TlsStream* stream = tls(self);
    if (stream->phase == Phase::Open) {
        // One close_notify, without waiting long for a peer that does not read.
        Socket_setSendTimeout(stream->socket, kCloseNotifyTimeoutMs);
        std::lock_guard<std::mutex> guard(stream->lock);
        ERR_clear_error();
        SSL_shutdown(stream->ssl);
        ERR_clear_error();
    }
    SSL_free(stream->ssl); // and its BIO
    Socket_destroy(stream->socket);
    Handleset_destroy(stream->readSet);
    Handleset_destroy(stream->writeSet);
    delete stream;
}

const struct sTransportStreamMethods tlsMethods = {
    tlsRead, tlsWrite, tlsPending, tlsWaitReadable, tlsPeerAddress, tlsDestroy, tlsWriteFrames,
};

} // namespace

TransportStream TlsStream_create(Socket socket, CS104_TlsConfig config)
{
    if (socket == nullptr)
        return nullptr;
    BIO_METHOD* method = socketBioMethod();
    if (method == nullptr)
        return nullptr;
    TlsStream* stream = new (std::nothrow) TlsStream;
    if (stream == nullptr)
        return nullptr;
    stream->base.methods = &tlsMethods;
    bool ready = false;
    try {
        ready = TlsConfig_streamSetup(config, &stream->setup);
    } catch (const std::bad_alloc&) {
    }
    ERR_clear_error();
    if (ready)
        stream->ssl = SSL_new(stream->setup.context->ctx);
    BIO* bio = stream->ssl != nullptr ? BIO_new(method) : nullptr;
    if (bio == nullptr) {
        SSL_free(stream->ssl);
        ERR_clear_error();
        delete stream;
        return nullptr;
    }
    BIO_set_data(bio, socket);
    BIO_set_init(bio, 1);
    SSL_set_bio(stream->ssl, bio, bio);
    SSL_set_app_data(stream->ssl, &stream->note);
    SSL_set_accept_state(stream->ssl);
    stream->socket = socket;
    stream->deadline = Hal_getMonotonicTimeInMs() + CS104_TLS_HANDSHAKE_TIMEOUT_MS;
    if (Socket_getPeerAddressStatic(socket, stream->peer) == nullptr)
        std::strcpy(stream->peer, "(unknown)");
    return &stream->base;
}

bool TlsStream_getHandshakeResult(TransportStream self, CS104_TlsHandshakeResult* result)
{
    if (self == nullptr || self->methods != &tlsMethods || result == nullptr)
        return false;
    TlsStream* stream = tls(self);
    std::lock_guard<std::mutex> guard(stream->lock);
    if (stream->phase == Phase::Handshake)
        return false;
    *result = stream->result;
    return true;
}
