// SPDX-License-Identifier: Apache-2.0
/*
 * bench_tls_masters - IEC 60870-5-104 masters over TLS for bench_gateway's
 * memory figures.
 *
 *   bench_tls_masters PKI-DIR COUNT
 *
 * Sets up an OpenSSL client with the test set's master certificate
 * (PKI-DIR/master.pem, master.key, trusting PKI-DIR/ca.pem; made by the TLS
 * tests' make_test_pki.sh), then COUNT times: TCP connect to
 * 127.0.0.1:19998, handshake, STARTDT act, STARTDT con. Prints one line:
 * "ready" once every master is started, "not measured: <reason>" when the
 * gateway serves no TLS (no listener, handshake refused), or "error:
 * <reason>". Then holds the connections, never reading, until a signal
 * ends it. With COUNT 0 it only sets up the client, so a gateway measured
 * with and without masters sees the same OpenSSL pages mapped by this
 * process.
 */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

const int kTlsPort = 19998;

int fail(const char* kind, const char* why)
{
    std::printf("%s: %s\n", kind, why);
    std::fflush(stdout);
    return 1;
}

/* One master: connect, handshake, STARTDT act -> con; null with why set. */
SSL* startMaster(SSL_CTX* ctx, const char*& kind, const char*& why)
{
    kind = "not measured";
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kTlsPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout = {5, 0}; /* a silent station fails the read, not the run */
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        why = "no TLS listener on port 19998";
        if (fd >= 0)
            close(fd);
        return nullptr;
    }
    SSL* ssl = SSL_new(ctx);
    if (ssl == nullptr || SSL_set_fd(ssl, fd) != 1 || SSL_connect(ssl) != 1) {
        why = "TLS handshake failed";
        SSL_free(ssl);
        close(fd);
        return nullptr;
    }
    kind = "error";
    const unsigned char startDt[6] = {0x68, 0x04, 0x07, 0x00, 0x00, 0x00};
    unsigned char reply[6];
    int got = 0;
    if (SSL_write(ssl, startDt, sizeof startDt) == sizeof startDt)
        while (got < 6) {
            int n = SSL_read(ssl, reply + got, 6 - got);
            if (n <= 0)
                break;
            got += n;
        }
    if (got < 6 || reply[0] != 0x68 || reply[2] != 0x0B) {
        why = "STARTDT act over TLS not confirmed";
        SSL_free(ssl);
        close(fd);
        return nullptr;
    }
    return ssl;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return fail("error", "usage: bench_tls_masters PKI-DIR COUNT");
    const std::string pki = argv[1];
    const int count = std::atoi(argv[2]);
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (ctx == nullptr ||
        SSL_CTX_load_verify_locations(ctx, (pki + "/ca.pem").c_str(), nullptr) != 1 ||
        SSL_CTX_use_certificate_file(ctx, (pki + "/master.pem").c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(ctx, (pki + "/master.key").c_str(), SSL_FILETYPE_PEM) != 1)
        return fail("error", "TLS client set-up failed");
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    std::vector<SSL*> masters;
    for (int i = 0; i < count; ++i) {
        const char* kind = "";
        const char* why = "";
        SSL* ssl = startMaster(ctx, kind, why);
        if (ssl == nullptr)
            return fail(kind, why);
        masters.push_back(ssl);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
        pause(); /* the connections end with the process */
}
