// Dornik's DispatchIoControl with arbitrary codes, buffer lengths and buffer
// contents, on a started device above a lower-driver double. Input: a run of
// requests, each
//   [0]     code: 0..4 the five USBCTRL codes, otherwise the next 4 bytes
//           (little-endian) are the code
//   [1..2]  input length, [3..4] output length (little-endian, modulo 4096)
//   [5]     bytes the device sends if the request reads (modulo 65); bit 7
//           set: the next transfer fails instead
//   then the input buffer's bytes (as far as the input goes; zeros after)
// Checks: no request returns more than its output buffer holds, or touches
// it beyond what it returns; a refused or unknown request returns nothing;
// a read reports no more than the device sent and the caller allowed; a
// write sends exactly the bytes it names; no pool block outlives its
// request; the removal leaves the pool empty and no kernel rule broken.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "tests/driver/StackHarness.h"

namespace {

using namespace corvane;
using drivertest::StackHarness;

constexpr uint8_t kGuard = 0xCD;
constexpr ULONG kMaxLength = 4096;

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint32_t Le(int bytes) {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value |= static_cast<uint32_t>(Byte()) << (8 * i);
        }
        return value;
    }
    void Fill(std::vector<uint8_t>& buffer) {
        for (uint8_t& byte : buffer) {
            if (Empty()) {
                return;
            }
            byte = Byte();
        }
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

constexpr uint32_t kCodes[] = {IOCTRL_INIT_DRIVER, IOCTRL_GET_DRIVER_VERSION,
                               IOCTRL_GET_PRODUCT_INFO, IOCTRL_READ_DATA, IOCTRL_WRITE_DATA};

bool IsKnown(uint32_t code) {
    for (uint32_t known : kCodes) {
        if (code == known) {
            return true;
        }
    }
    return false;
}

void RunRequest(StackHarness& harness, Input& input) {
    const uint8_t selector = input.Byte();
    const uint32_t code = selector < 5 ? kCodes[selector] : input.Le(4);
    const ULONG inLength = input.Le(2) % kMaxLength;
    const ULONG outLength = input.Le(2) % kMaxLength;
    const uint8_t deviceSends = input.Byte();
    std::vector<uint8_t> in(inLength, 0);
    input.Fill(in);

    USBCTRL_REQUEST request{};
    if (!in.empty()) {
        std::memcpy(&request, in.data(), inLength < sizeof(request) ? inLength : sizeof(request));
    }
    const bool fullInput = inLength >= sizeof(USBCTRL_REQUEST);
    const bool fullOutput = outLength >= sizeof(USBCTRL_REPLY);
    const bool readGoesOut = code == IOCTRL_READ_DATA && fullInput && fullOutput &&
                             request.HCIReadBufferSize != 0 &&
                             request.HCIReadBufferSize <= USBCTRL_MAX_READ_LENGTH;
    const bool writeGoesOut =
        code == IOCTRL_WRITE_DATA && fullInput && request.Length <= USBCTRL_MAX_WRITE_LENGTH;

    const bool transferFails = (deviceSends & 0x80) != 0;
    std::vector<uint8_t> packet(deviceSends % 65);
    for (size_t i = 0; i < packet.size(); ++i) {
        packet[i] = static_cast<uint8_t>('a' + i % 26);
    }
    // Arm the device only for a transfer that the driver is expected to
    // send: an IN transfer without a queued answer would wait for ever, and
    // whatever stays armed would answer a later request.
    if (readGoesOut) {
        harness.Lower().QueueIn(transferFails ? std::vector<uint8_t>{} : packet,
                                transferFails ? STATUS_UNSUCCESSFUL : STATUS_SUCCESS);
    }
    if (writeGoesOut && transferFails) {
        harness.Lower().FailUrbs(URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER, STATUS_UNSUCCESSFUL);
    }
    harness.Lower().ClearUrbs();

    std::vector<uint8_t> out(outLength + 16, kGuard);
    const kernel::RequestResult result =
        harness.IoControl(code, in.empty() ? nullptr : in.data(), inLength,
                          out.empty() ? nullptr : out.data(), outLength);

    FUZZ_CHECK(result.information <= outLength);
    for (size_t i = result.information; i < out.size(); ++i) {
        FUZZ_CHECK(out[i] == kGuard);
    }
    if (!IsKnown(code)) {
        FUZZ_CHECK(result.information == 0);
        FUZZ_CHECK(harness.Lower().Urbs().empty());
    }
    FUZZ_CHECK(harness.OutstandingPool() == 0);

    if (code == IOCTRL_WRITE_DATA) {
        const std::vector<drivertest::UrbRecord> urbs = harness.Lower().Urbs();
        if (!writeGoesOut) {
            FUZZ_CHECK(!NT_SUCCESS(result.status));
            FUZZ_CHECK(urbs.empty());
        } else {
            FUZZ_CHECK(urbs.size() == 1);
            FUZZ_CHECK(NT_SUCCESS(result.status) != transferFails);
            FUZZ_CHECK(urbs[0].out ==
                       std::vector<uint8_t>(request.Data, request.Data + request.Length));
        }
        FUZZ_CHECK(result.information == 0);
    }
    if (code == IOCTRL_READ_DATA) {
        if (!readGoesOut) {
            FUZZ_CHECK(!NT_SUCCESS(result.status));
            FUZZ_CHECK(result.information == 0);
            FUZZ_CHECK(harness.Lower().Urbs().empty());
        } else if (NT_SUCCESS(result.status)) {
            FUZZ_CHECK(!transferFails);
            FUZZ_CHECK(result.information == sizeof(USBCTRL_REPLY));
            USBCTRL_REPLY reply;
            std::memcpy(&reply, out.data(), sizeof(reply));
            FUZZ_CHECK(reply.Length <= request.HCIReadBufferSize);
            FUZZ_CHECK(reply.Length <= packet.size());
            FUZZ_CHECK(reply.Length == 0 ||
                       std::memcmp(reply.Data, packet.data(), reply.Length) == 0);
        } else {
            FUZZ_CHECK(transferFails);
        }
    }
    if ((code == IOCTRL_GET_PRODUCT_INFO || code == IOCTRL_GET_DRIVER_VERSION) && !fullOutput) {
        FUZZ_CHECK(!NT_SUCCESS(result.status));
    }
    if (code == IOCTRL_INIT_DRIVER && !fullInput) {
        FUZZ_CHECK(!NT_SUCCESS(result.status));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input input(data, size);
    {
        StackHarness harness;
        FUZZ_CHECK(harness.AddAndStart() == STATUS_SUCCESS);
        FUZZ_CHECK(NT_SUCCESS(harness.Create().status));
        for (int requests = 0; requests < 32 && !input.Empty(); ++requests) {
            RunRequest(harness, input);
        }
        harness.Close();
        harness.Remove();
        FUZZ_CHECK(harness.OutstandingPool() == 0);
        FUZZ_CHECK(harness.Host().Violations().empty());
        FUZZ_CHECK(harness.Host().Assertions().empty());
    }
    return 0;
}
