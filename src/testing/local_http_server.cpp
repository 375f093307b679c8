#include "testing/local_http_server.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace korvane::test_servers {
namespace {

[[noreturn]] void give_up(const char* what) {
  std::fprintf(stderr, "LocalHttpServer: %s\n", what);
  std::abort();
}

// An SSLServer with a fresh self-signed certificate for 127.0.0.1.
std::unique_ptr<httplib::Server> self_signed_server() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* cert = X509_new();
  if (key == nullptr || cert == nullptr) give_up("cannot make a key");
  X509_set_version(cert, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert), -60);
  X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(cert, name);
  if (X509_sign(cert, key, EVP_sha256()) == 0) give_up("cannot sign the certificate");
  auto server = std::make_unique<httplib::SSLServer>(cert, key);
  X509_free(cert);  // the server holds its own references
  EVP_PKEY_free(key);
  if (!server->is_valid()) give_up("cannot set up TLS");
  return server;
}

}  // namespace

LocalHttpServer::LocalHttpServer(const std::function<void(httplib::Server&)>& set_routes)
    : server_(std::make_unique<httplib::Server>()) {
  start(set_routes);
}

LocalHttpServer::LocalHttpServer(std::unique_ptr<httplib::Server> server,
                                 const std::function<void(httplib::Server&)>& set_routes,
                                 std::string scheme)
    : server_(std::move(server)), scheme_(std::move(scheme)) {
  start(set_routes);
}

void LocalHttpServer::start(const std::function<void(httplib::Server&)>& set_routes) {
  set_routes(*server_);
  server_->set_keep_alive_max_count(1);
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) give_up("cannot bind to 127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LocalHttpServer::~LocalHttpServer() {
  server_->stop();
  thread_.join();
}

std::string LocalHttpServer::host() const { return "127.0.0.1:" + std::to_string(port_); }

std::string LocalHttpServer::url(std::string_view path) const {
  return scheme_ + "://" + host() + std::string(path);
}

LocalHttpsServer::LocalHttpsServer(const std::function<void(httplib::Server&)>& set_routes)
    : LocalHttpServer(self_signed_server(), set_routes, "https") {}

}  // namespace korvane::test_servers
