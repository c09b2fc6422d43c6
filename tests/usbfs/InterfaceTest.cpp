// Claiming interfaces: another program holding them, a kernel driver bound
// to interface 0, and releasing on close.
#include "UsbfsFixture.h"

namespace corvane::usbfs::testing {
namespace {

TEST_F(UsbfsTest, InterfaceHeldByAnotherProgramIsBusy) {
    EmulatedPort port;
    port.claimBusy = true;
    sim::VirtualProjector& projector = Plug({}, port);
    libusb_device_handle* handle = Open(projector);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(libusb_claim_interface(handle, 0), LIBUSB_ERROR_BUSY);
    // usbfs itself holds it: not a kernel driver libusb would detach.
    EXPECT_EQ(libusb_kernel_driver_active(handle, 0), 0);
    EXPECT_EQ(libusb_detach_kernel_driver(handle, 0), LIBUSB_ERROR_NOT_FOUND);
    // Transfers on its endpoints are refused too (libusb reports the EBUSY
    // of SUBMITURB as an I/O error).
    EXPECT_EQ(Send(handle, "Sync\r"), LIBUSB_ERROR_IO);
    EXPECT_EQ(projector.ReceivedBytes(), "");
}

TEST_F(UsbfsTest, KernelDriverHoldsInterfaceUntilDetached) {
    EmulatedPort port;
    port.kernelDriverBound = true;
    sim::VirtualProjector& projector = Plug({}, port);
    libusb_device_handle* handle = Open(projector);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(libusb_kernel_driver_active(handle, 0), 1);
    EXPECT_EQ(libusb_claim_interface(handle, 0), LIBUSB_ERROR_BUSY);
    ASSERT_EQ(libusb_detach_kernel_driver(handle, 0), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_kernel_driver_active(handle, 0), 0);
    EXPECT_EQ(libusb_detach_kernel_driver(handle, 0), LIBUSB_ERROR_NOT_FOUND);
    ASSERT_EQ(libusb_claim_interface(handle, 0), LIBUSB_SUCCESS);
    // Bound again only once the interface is free.
    EXPECT_EQ(libusb_attach_kernel_driver(handle, 0), LIBUSB_ERROR_BUSY);
    ASSERT_EQ(libusb_release_interface(handle, 0), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_attach_kernel_driver(handle, 0), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_kernel_driver_active(handle, 0), 1);
}

TEST_F(UsbfsTest, AutomaticDetachClaimsInOneStep) {
    EmulatedPort port;
    port.kernelDriverBound = true;
    sim::VirtualProjector& projector = Plug({}, port);
    libusb_device_handle* handle = Open(projector);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(libusb_set_auto_detach_kernel_driver(handle, 1), LIBUSB_SUCCESS);
    ASSERT_EQ(libusb_claim_interface(handle, 0), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_kernel_driver_active(handle, 0), 0);
    ASSERT_EQ(Send(handle, "Sync\r"), LIBUSB_SUCCESS);
}

TEST_F(UsbfsTest, SecondHandleCannotClaimWhatTheFirstHolds) {
    sim::VirtualProjector& projector = Plug();
    libusb_device_handle* first = OpenAndClaim(projector);
    libusb_device_handle* second = Open(projector);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(libusb_claim_interface(second, 0), LIBUSB_ERROR_BUSY);
    EXPECT_EQ(libusb_release_interface(second, 0), LIBUSB_ERROR_NOT_FOUND);
    ASSERT_EQ(libusb_release_interface(first, 0), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_claim_interface(second, 0), LIBUSB_SUCCESS);
}

TEST_F(UsbfsTest, ClosingAHandleFreesItsInterface) {
    sim::VirtualProjector& projector = Plug();
    libusb_device* device = Find(projector);
    ASSERT_NE(device, nullptr);
    libusb_device_handle* first = nullptr;
    ASSERT_EQ(libusb_open(device, &first), LIBUSB_SUCCESS);
    ASSERT_EQ(libusb_claim_interface(first, 0), LIBUSB_SUCCESS);
    libusb_close(first);  // without releasing, as a crashing program would
    libusb_device_handle* second = Open(projector);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(libusb_claim_interface(second, 0), LIBUSB_SUCCESS);
    libusb_unref_device(device);
}

TEST_F(UsbfsTest, MissingInterfaceIsNotFound) {
    sim::VirtualProjector& projector = Plug();
    libusb_device_handle* handle = Open(projector);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(libusb_claim_interface(handle, 1), LIBUSB_ERROR_NOT_FOUND);
}

}  // namespace
}  // namespace corvane::usbfs::testing
