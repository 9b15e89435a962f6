#pragma once

#include "db/database.h"
#include "db/sql_packet.h"

// The server stands on the database layer and names its types plainly.
namespace pla::server {
using namespace pla::db;
} // namespace pla::server
