#pragma once

#include <string>

namespace clipvane::test {

// A certificate authority made for one test run with the openssl program,
// a server certificate for 127.0.0.1 that it signed, and a self-signed one
// that nothing trusts. Paths to PEM files; empty when openssl failed.
struct TestCertificates
{
    std::string authority;  // the authority's certificate, to trust
    std::string serverCert; // signed by it, for 127.0.0.1 and localhost
    std::string serverKey;
    std::string strangerCert; // self-signed, for 127.0.0.1
    std::string strangerKey;
};

// Made once a test program, in its own folder.
const TestCertificates& Certificates();

} // namespace clipvane::test
