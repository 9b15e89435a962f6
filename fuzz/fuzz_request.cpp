// libFuzzer target: the server's decoding of a call's body and of a data packet,
// with the default limits. Any input must give arguments or EDecodeError.
#include "core/cbor_codec.h"
#include "rpc/rpc_protocol.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        pla::rpc::DecodeArgs(bytes);
    } catch (const pla::EDecodeError&) {
    }
    try {
        pla::DecodePacket(bytes).Validate();
    } catch (const pla::EDecodeError&) {
    }
    return 0;
}
