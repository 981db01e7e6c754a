#pragma once
// Keys and certificates made at run time for the TLS tests (P-256, valid
// from an hour ago for a day), and server contexts over them.
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace ht_test {

struct TTestCert {
  std::shared_ptr<EVP_PKEY> Key;
  std::shared_ptr<X509> Cert;
  std::string CertPem() const;
  std::string KeyPem() const;
};

// A certificate for commonName, signed by issuer (self-signed when null).
// forServer adds the subject alternative name IP:127.0.0.1; isCA marks an
// authority.
TTestCert MakeTestCert(const std::string& commonName, const TTestCert* issuer, bool forServer, bool isCA);

// A server context for cert, allowing TLS versions minVersion..maxVersion
// (0 for the library's limits). With clientIssuer, a client certificate
// issued by it is required (and that issuer is named to the client).
SSL_CTX* MakeServerContext(const TTestCert& cert, int minVersion = 0, int maxVersion = 0,
                           const TTestCert* clientIssuer = nullptr);

// A fresh folder under the system's temporary folder, removed by the owner.
struct TTempDir {
  TTempDir();
  ~TTempDir();
  std::string Path;
  std::string Write(const std::string& name, const std::string& text) const;
};

}  // namespace ht_test
