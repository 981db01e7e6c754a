#include "host/test_certs.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace ht_test {

namespace {

std::string bioText(BIO* bio) {
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio, &data);
  std::string text(data, size_t(n));
  BIO_free(bio);
  return text;
}

void addExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (!ext) throw std::runtime_error("test certificate: bad extension");
  X509_add_ext(cert, ext, -1);
  X509_EXTENSION_free(ext);
}

}  // namespace

std::string TTestCert::CertPem() const {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, Cert.get());
  return bioText(bio);
}

std::string TTestCert::KeyPem() const {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_PrivateKey(bio, Key.get(), nullptr, nullptr, 0, nullptr, nullptr);
  return bioText(bio);
}

TTestCert MakeTestCert(const std::string& commonName, const TTestCert* issuer, bool forServer, bool isCA) {
  static int serial = 1;
  TTestCert out;
  out.Key.reset(EVP_EC_gen("P-256"), EVP_PKEY_free);
  out.Cert.reset(X509_new(), X509_free);
  X509* cert = out.Cert.get();
  X509_set_version(cert, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), serial++);
  X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert), 86400);
  X509_set_pubkey(cert, out.Key.get());
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Tarnwick tests"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName.c_str()), -1,
                             -1, 0);
  X509* issuerCert = issuer ? issuer->Cert.get() : cert;
  X509_set_issuer_name(cert, X509_get_subject_name(issuerCert));
  addExtension(cert, issuerCert, NID_basic_constraints, isCA ? "critical,CA:TRUE" : "CA:FALSE");
  addExtension(cert, issuerCert, NID_subject_key_identifier, "hash");
  if (forServer) addExtension(cert, issuerCert, NID_subject_alt_name, "IP:127.0.0.1");
  if (!X509_sign(cert, issuer ? issuer->Key.get() : out.Key.get(), EVP_sha256()))
    throw std::runtime_error("test certificate: signing failed");
  return out;
}

SSL_CTX* MakeServerContext(const TTestCert& cert, int minVersion, int maxVersion, const TTestCert* clientIssuer) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  // Old protocol versions need the lowest security level to be offered at
  // all, so that refusing them is the client's doing.
  SSL_CTX_set_security_level(ctx, 0);
  SSL_CTX_set_cipher_list(ctx, "ALL:@SECLEVEL=0");
  if (minVersion) SSL_CTX_set_min_proto_version(ctx, minVersion);
  if (maxVersion) SSL_CTX_set_max_proto_version(ctx, maxVersion);
  SSL_CTX_use_certificate(ctx, cert.Cert.get());
  SSL_CTX_use_PrivateKey(ctx, cert.Key.get());
  if (clientIssuer) {
    X509_STORE_add_cert(SSL_CTX_get_cert_store(ctx), clientIssuer->Cert.get());
    STACK_OF(X509_NAME)* names = sk_X509_NAME_new_null();
    sk_X509_NAME_push(names, X509_NAME_dup(X509_get_subject_name(clientIssuer->Cert.get())));
    SSL_CTX_set_client_CA_list(ctx, names);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
  }
  return ctx;
}

TTempDir::TTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-host-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  Path = pattern;
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(Path, ec);
}

std::string TTempDir::Write(const std::string& name, const std::string& text) const {
  const std::string file = Path + "/" + name;
  std::ofstream(file, std::ios::binary) << text;
  return file;
}

}  // namespace ht_test
