#pragma once

#include <QSslConfiguration>
#include <QString>
#include <optional>

namespace skiff::test {

// A configuration for an HTTPS server on 127.0.0.1 with a fresh self-signed certificate, which
// the engine does not trust. The key and certificate files are written into `folder`. Nothing
// when openssl cannot make them.
std::optional<QSslConfiguration> untrustedTls(const QString& folder);

}  // namespace skiff::test
