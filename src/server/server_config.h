#pragma once

#include "db/database_url.h"
#include "http_server.h"

#include <QStringList>

namespace pla::server {

// Everything pla-server is told: from a config file (INI, group [server]) and the
// command line, the command line winning.
struct TServerConfig {
    THttpServerOptions Http;
    QString DatabaseUrl = QStringLiteral("sqlite:pla.db");
    int SessionMinutes = 12 * 60;

    // Raises EPlaError naming the bad option; "--help" is the caller's.
    static TServerConfig FromArguments(const QStringList& arguments);
    static QString Usage();
};

} // namespace pla::server
