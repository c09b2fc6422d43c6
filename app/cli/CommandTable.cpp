#include "app/cli/Commands.h"

namespace corvane::cli {

namespace {

constexpr CliCommand kCommands[] = {
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
