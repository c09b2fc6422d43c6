// USBD library (usbdlib.h subset): descriptor parsers, the configuration
// request builder and the URB building macros with the DDK's semantics.
#pragma once

#include "usb.h"

typedef struct _USBD_INTERFACE_LIST_ENTRY {
    PUSB_INTERFACE_DESCRIPTOR InterfaceDescriptor;
    PUSBD_INTERFACE_INFORMATION Interface;
} USBD_INTERFACE_LIST_ENTRY, *PUSBD_INTERFACE_LIST_ENTRY;

#define UsbBuildInterruptOrBulkTransferRequest(urb, length, pipeHandle, transferBuffer,  \
                                               transferBufferMDL, transferBufferLength,  \
                                               transferFlags, link)                      \
    {                                                                                    \
        (urb)->UrbHeader.Function = URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER;             \
        (urb)->UrbHeader.Length = (length);                                              \
        (urb)->UrbBulkOrInterruptTransfer.PipeHandle = (pipeHandle);                     \
        (urb)->UrbBulkOrInterruptTransfer.TransferBufferLength = (transferBufferLength); \
        (urb)->UrbBulkOrInterruptTransfer.TransferBufferMDL = (transferBufferMDL);       \
        (urb)->UrbBulkOrInterruptTransfer.TransferBuffer = (transferBuffer);             \
        (urb)->UrbBulkOrInterruptTransfer.TransferFlags = (transferFlags);               \
        (urb)->UrbBulkOrInterruptTransfer.UrbLink = (link);                              \
    }

#define UsbBuildGetDescriptorRequest(urb, length, descriptorType, descriptorIndex, languageId, \
                                     transferBuffer, transferBufferMDL, transferBufferLength,  \
                                     link)                                                     \
    {                                                                                          \
        (urb)->UrbHeader.Function = URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE;                   \
        (urb)->UrbHeader.Length = (length);                                                    \
        (urb)->UrbControlDescriptorRequest.TransferBufferLength = (transferBufferLength);      \
        (urb)->UrbControlDescriptorRequest.TransferBufferMDL = (transferBufferMDL);            \
        (urb)->UrbControlDescriptorRequest.TransferBuffer = (transferBuffer);                  \
        (urb)->UrbControlDescriptorRequest.DescriptorType = (descriptorType);                  \
        (urb)->UrbControlDescriptorRequest.Index = (descriptorIndex);                          \
        (urb)->UrbControlDescriptorRequest.LanguageId = (languageId);                          \
        (urb)->UrbControlDescriptorRequest.UrbLink = (link);                                   \
    }

#define UsbBuildSelectConfigurationRequest(urb, length, configurationDescriptor)           \
    {                                                                                      \
        (urb)->UrbHeader.Function = URB_FUNCTION_SELECT_CONFIGURATION;                     \
        (urb)->UrbHeader.Length = (length);                                                \
        (urb)->UrbSelectConfiguration.ConfigurationDescriptor = (configurationDescriptor); \
    }

#define URB_STATUS(urb) ((urb)->UrbHeader.Status)

#define GET_SELECT_CONFIGURATION_REQUEST_SIZE(totalInterfaces, totalPipes) \
    (sizeof(struct _URB_SELECT_CONFIGURATION) +                            \
     ((totalInterfaces - 1) * sizeof(USBD_INTERFACE_INFORMATION)) +        \
     ((totalPipes - totalInterfaces) * sizeof(USBD_PIPE_INFORMATION)))
#define GET_USBD_INTERFACE_SIZE(numEndpoints)                                                \
    (sizeof(USBD_INTERFACE_INFORMATION) + (sizeof(USBD_PIPE_INFORMATION) * (numEndpoints)) - \
     sizeof(USBD_PIPE_INFORMATION))

EXTERN_C_START

// The walks below never read past wTotalLength (or TotalLength) and end at a
// descriptor whose bLength is 0 or that runs past the end.

// The next descriptor of DescriptorType at or after StartPosition, or NULL.
PUSB_COMMON_DESCRIPTOR USBD_ParseDescriptors(PVOID DescriptorBuffer, ULONG TotalLength,
                                             PVOID StartPosition, LONG DescriptorType);

// The next interface descriptor at or after StartPosition matching every
// argument that is not -1, or NULL.
PUSB_INTERFACE_DESCRIPTOR USBD_ParseConfigurationDescriptorEx(
    PUSB_CONFIGURATION_DESCRIPTOR ConfigurationDescriptor, PVOID StartPosition,
    LONG InterfaceNumber, LONG AlternateSetting, LONG InterfaceClass, LONG InterfaceSubClass,
    LONG InterfaceProtocol);

PUSB_INTERFACE_DESCRIPTOR USBD_ParseConfigurationDescriptor(
    PUSB_CONFIGURATION_DESCRIPTOR ConfigurationDescriptor, UCHAR InterfaceNumber,
    UCHAR AlternateSetting);

// One pool-allocated select-configuration URB for the interfaces of the list
// (ended by an entry with a NULL InterfaceDescriptor); each entry's Interface
// is pointed into the URB. Free it with ExFreePool. NULL when out of memory.
PURB USBD_CreateConfigurationRequestEx(PUSB_CONFIGURATION_DESCRIPTOR ConfigurationDescriptor,
                                       PUSBD_INTERFACE_LIST_ENTRY InterfaceList);

EXTERN_C_END
