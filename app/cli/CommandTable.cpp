#include "app/cli/Commands.h"
#include "app/cli/DeviceOptions.h"

namespace corvane::cli {

namespace {

// What every device command takes besides its own arguments.
constexpr const char* kDeviceDetails =
    "options may come before or after the command.\n"
    "  --settings FILE    the settings file to use (default: the user's settings)\n"
    "  --verify           verify every download (VerifyDownloads on for this run)\n"
    "  --no-hw-match      do not match files to the projector's platform identifier\n"
    "  --timeout SECONDS  wait this long for a projector to appear and be ready\n"
    "                     (default 10)\n"
    "  --json             one JSON object per line for every event, then a summary\n"
    "  --trace-driver     the driver's trace on stderr\n"
    "  -q                 only the result and the errors\n"
    "  -v                 every control the window changes, too\n"
    "real projectors (Linux: through libusb; without --simulate):\n"
    "  --device PATH      only this projector: its bus-port path (\"1-4.2\", see\n"
    "                     list) or its serial number string\n"
    "  --usb-id VID:PID   open devices with this id too, repeatable (also the\n"
    "                     setting \"UsbIds\", ids separated by spaces or commas)\n"
    "virtual projector (plugged into the hosted USB bus):\n"
    "  --simulate              plug in the virtual projector\n"
    "  --sim-platform ID       its platform identifier (default PJX2000-A1)\n"
    "  --sim-partitions DESCR  its partition descriptor\n"
    "                          (default 4,100000,0,10000,80000,F0000)\n"
    "  --sim-part-number PN    its part number (default 1002-3456-01)\n"
    "  --sim-serial-number SN  its serial number (default A10000012345)\n"
    "  --sim-pace              USB full-speed timing (1 ms frame per transfer)\n"
    "  --sim-dump-flash FILE   write its whole flash to FILE when the program ends\n"
    "  --sim-fault FAULT       a fault, repeatable. CMD is one of Sync P G GP GS I B\n"
    "                          C S SP SS E BE CR F block end X V VR R; N is a count\n"
    "                          or \"always\" (default 1):\n"
    "    nak=CMD[:N]               the next N commands CMD get a negative reply\n"
    "    silence-after=CMD         no answer from command CMD on\n"
    "    unplug-after-blocks=N     leave the bus as the Nth image block arrives\n"
    "    unplug-at=CMD             leave the bus as command CMD arrives\n"
    "    bad-crc[=N]               the next N checksums (\"V\") are wrong\n"
    "    split=CMD:BYTE[:N]        the reply to CMD arrives in two parts\n"
    "    zlp=CMD[:N]               a zero-length packet before the reply to CMD\n"
    "    long-reply=CMD:LENGTH[:N] the reply to CMD padded to LENGTH bytes\n"
    "    descriptor=TEXT           TEXT as the reply to \"B\"\n"
    "exit status: 0 success; 1 the operation failed (an error was shown,\n"
    "verification failed, the connection was lost, or it was interrupted); 2 bad\n"
    "usage or an unusable file or list; 3 no projector was ready within the time-out\n";

constexpr CliCommand kCommands[] = {
    {"info", "[OPTIONS]", "connect, identify, print platform, part and serial number, partitions",
     "", RunInfoCommand, kDeviceDetails},
    {"download", "[OPTIONS] FILE... | LIST",
     "download firmware files (at most eight) or one .DLD list",
     "  FILE    Intel hex or S-record firmware files, downloaded in this order\n"
     "  LIST    a .DLD download list (its [DownloadFiles] section names the files)\n"
     "  without files the window's list is used (a list matched to the part number)\n",
     RunDownloadCommand, kDeviceDetails},
    {"verify", "[OPTIONS] FILE... | LIST",
     "verify the projector's flash against files, without programming",
     "  FILE, LIST as for download\n", RunVerifyCommand, kDeviceDetails},
    {"program-ids", "[OPTIONS] [--pn PN] [--sn SN]",
     "write a new part number and/or serial number into the projector",
     "  --pn PN  the new part number (1 to 14 printable characters)\n"
     "  --sn SN  the new serial number (1 to 12 printable characters)\n",
     RunProgramIdsCommand, kDeviceDetails},
    {"clear-nvram", "[OPTIONS]",
     "clear the projector's NVRAM (through the Advanced window; needs EnableAdvancedDialog)", "",
     RunClearNvramCommand, kDeviceDetails},
    {"list", "[OPTIONS]", "the projectors attached (bus-port path, ids, serial number)",
     "  real projectors on Linux: bus-port path, USB ids and serial number string,\n"
     "  claiming none; with --simulate (or on Windows) the driver's interfaces;\n"
     "  waits up to the time-out for the first; exit status 3 when none is present\n",
     RunListCommand, kDeviceDetails},
    {"plan", "FILE... --platform ID --partitions DESCRIPTOR [--no-hw-match] [--json]",
     "offline pre-flight: what a download would do with the files",
     "  per file: the conversion's result, the partitions to erase, the blocks and bytes\n"
     "  to send, the address range, the CRC-16 the projector should answer for each\n"
     "  verified range, and warnings (bad record checksums, data outside every\n"
     "  partition, data given twice or overlapping an earlier file); a data record\n"
     "  with a bad checksum makes the download refuse the file, other records'\n"
     "  checksums it ignores\n"
     "  --platform ID            the projector's platform identifier\n"
     "  --partitions DESCRIPTOR  the projector's partition descriptor\n"
     "  --no-hw-match            do not check the files' identification records\n"
     "  --json                   one JSON object per file\n"
     "exit status: 0 when every file can be downloaded, 1 when one cannot, 2 for bad\n"
     "usage or a file that cannot be opened\n",
     RunPlanCommand},
    {"convert", "FILE --platform ID --partitions DESCRIPTOR [--no-hw-match] [-o STAGED]",
     "convert a firmware file into a staged image as a download would",
     "  FILE                     Intel hex or S-record firmware file\n"
     "  --platform ID            the projector's platform identifier (at most 10 characters);\n"
     "                           may be left out with --no-hw-match\n"
     "  --partitions DESCRIPTOR  the projector's partition descriptor,\n"
     "                           e.g. 4,100000,0,10000,80000,F0000\n"
     "  --no-hw-match            do not check the file's identification record\n"
     "  -o STAGED                write the staged image byte for byte to STAGED\n"
     "exit status: 0 when the result is 0 or more, 1 when it is negative or a file\n"
     "cannot be read or written, 2 for bad usage\n",
     RunConvertCommand},
    {"crc16", "FILE [--offset N] [--length N]",
     "print the CRC-16/ARC of a file's bytes as the projector computes it",
     "  --offset N  first byte to sum (default 0); decimal or 0x-prefixed hexadecimal\n"
     "  --length N  bytes to sum (default: up to the end of the file)\n"
     "exit status: 0 when printed, 1 when the file cannot be read, 2 for bad usage or a\n"
     "range outside the file\n",
     RunCrc16Command},
};

}  // namespace

std::span<const CliCommand> AllCommands() {
    return kCommands;
}

}  // namespace corvane::cli
