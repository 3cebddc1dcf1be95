// Owners of OpenSSL objects: each frees its object with the library's own free function. Private
// to the HTTPS client; the tests' TLS server shares it through the repository root.
#pragma once

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <memory>

namespace fw::openssl {

template <auto Free>
struct Deleter {
  template <class T>
  void operator()(T* p) const {
    Free(p);
  }
};

using SslCtxPtr = std::unique_ptr<SSL_CTX, Deleter<&SSL_CTX_free>>;
using SslPtr = std::unique_ptr<SSL, Deleter<&SSL_free>>;
// For the tests' TLS server, which makes its own keys and certificates.
using PkeyPtr = std::unique_ptr<EVP_PKEY, Deleter<&EVP_PKEY_free>>;
using X509Ptr = std::unique_ptr<X509, Deleter<&X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<&BIO_free>>;

}  // namespace fw::openssl
