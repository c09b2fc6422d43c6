// DbgPrint's Windows formats into the kernel trace, and the trace itself.
#include <gtest/gtest.h>

#include "platform/kernel/KernelHost.h"

namespace corvane::kernel::test {
namespace {

class DbgPrintTest : public ::testing::Test {
protected:
    KernelHost host;
    std::string Trace() { return host.Trace().Text(); }
};

TEST_F(DbgPrintTest, WideStringsAreUtf16ShownAsUtf8) {
    const WCHAR link[] = u"\\??\\USB#VID_0547";
    DbgPrint("USBCTRL: Symbolic link - %S\n", link);
    DbgPrint("[%ws]", u"Projector Flash");
    // Text outside ASCII becomes UTF-8; a lone surrogate the replacement character.
    DbgPrint("|%S|%S", u"caf\u00e9", u"\U0001F600");
    const WCHAR broken[] = {u'a', 0xD800, u'b', 0};
    DbgPrint("|%S", broken);
    EXPECT_EQ(Trace(),
              "USBCTRL: Symbolic link - \\??\\USB#VID_0547\n[Projector Flash]"
              "|caf\xC3\xA9|\xF0\x9F\x98\x80|a\xEF\xBF\xBD"
              "b");
}

TEST_F(DbgPrintTest, NumbersHaveWindowsWidths) {
    DbgPrint("%X %lX %x %d %ld %u %08lX %3d|%-3d|", 0xABCDEFu, static_cast<ULONG>(0xC0000001),
             0x1Fu, -5, static_cast<LONG>(-7), 4000000000u, static_cast<ULONG>(0x2A), 7, 7);
    EXPECT_EQ(Trace(), "ABCDEF C0000001 1f -5 -7 4000000000 0000002A   7|7  |");
}

TEST_F(DbgPrintTest, NarrowStringsCountedStringsAndOthers) {
    UNICODE_STRING counted;
    RtlInitUnicodeString(&counted, u"Counted");
    counted.Length = 6;  // only "Cou"
    DbgPrint("%s %wZ %c %% %hd %I64X", "narrow", &counted, 'Z', 70000, 0x1122334455667788ull);
    EXPECT_EQ(Trace(), "narrow Cou Z % 4464 1122334455667788");
}

TEST_F(DbgPrintTest, NullStringsPrintAsNull) {
    DbgPrint("%s %S %wZ", static_cast<const char*>(nullptr), static_cast<const WCHAR*>(nullptr),
             static_cast<PUNICODE_STRING>(nullptr));
    EXPECT_EQ(Trace(), "(null) (null) (null)");
}

TEST_F(DbgPrintTest, PointersAreUpperCaseHexOfPointerWidth) {
    DbgPrint("%p", reinterpret_cast<void*>(0xABCDEF));
    EXPECT_EQ(Trace(), std::string(sizeof(void*) * 2 - 6, '0') + "ABCDEF");
}

TEST_F(DbgPrintTest, TraceSplitsLinesAndClears) {
    DbgPrint("USBCTRL: DispatchPnP ");
    DbgPrint("- IRP_MN_START_DEVICE\n");
    DbgPrint("partial");
    EXPECT_EQ(host.Trace().Lines(),
              (std::vector<std::string>{"USBCTRL: DispatchPnP - IRP_MN_START_DEVICE", "partial"}));
    EXPECT_EQ(host.Trace().CountLine("USBCTRL: DispatchPnP - IRP_MN_START_DEVICE"), 1u);
    host.Trace().Clear();
    EXPECT_EQ(Trace(), "");
}

}  // namespace
}  // namespace corvane::kernel::test
