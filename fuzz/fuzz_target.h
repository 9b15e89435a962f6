#pragma once

#include <QByteArray>

namespace pla::fuzz {

// One input through everything that decodes what arrives at the server: a call's
// arguments, a data packet and its change set applied to a table, and the body of a
// month's save dispatched to a server over a demonstration database. Any input must
// give a result or a refusal, never a crash, a hang or a leak.
void RunInput(const QByteArray& bytes);

// Bodies of real calls to start from (a save of a changed day, of removed and added
// dishes, a month's load), written as files into a folder.
void WriteSeeds(const QString& folder);

} // namespace pla::fuzz
