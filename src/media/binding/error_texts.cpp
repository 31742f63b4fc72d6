// Texts for the negative error codes of media library and system calls.
#include <algorithm>
#include <cerrno>

extern "C" {
#include <libavutil/error.h>
}

#include "media/binding/ff_utils.h"

namespace media {

namespace {

struct ErrorText {
  int32_t code;
  const char* text;
};

// Library codes are negated four-byte tags; system codes are negated errno
// values, and Windows socket numbers with the same meaning share their text.
constexpr ErrorText kErrorTexts[] = {
    {-1481985528, "Muxer not found"},
    {-1414549496, "Option not found"},
    {-1414092869, "Immediate exit requested"},
    {-1381258232, "Stream not found"},
    {-1330794744, "Protocol not found"},
    {-1313558101, "Unknown error occurred"},
    {-1296385272, "Demuxer not found"},
    {-1279870712, "Filter not found"},
    {-1179861752, "Bitstream filter not found"},
    {-1163346256, "Not yet implemented in FFmpeg, patches welcome"},
    {-1129203192, "Encoder not found"},
    {-1128613112, "Decoder not found"},
    {-1094995529, "Invalid data found when processing input"},
    {-558323010, "Internal bug"},
    {-541478725, "End of file"},

    {-11004, "WSANO_DATA"},
    {-11003, "WSANO_RECOVERY"},
    {-11002, "WSATRY_AGAIN"},
    {-11001, "WSAHOST_NOT_FOUND"},
    {-10112, "WSAEREFUSED"},
    {-10111, "WSA_E_CANCELLED"},
    {-10110, "WSA_E_NO_MORE"},
    {-10109, "WSATYPE_NOT_FOUND"},
    {-10108, "WSASERVICE_NOT_FOUND"},
    {-10107, "WSASYSCALLFAILURE"},
    {-10106, "WSAEPROVIDERFAILEDINIT"},
    {-10105, "WSAEINVALIDPROVIDER"},
    {-10104, "WSAEINVALIDPROCTABLE"},
    {-10103, "WSAECANCELLED"},
    {-10102, "WSAENOMORE"},
    {-10101, "WSAEDISCON"},
    {-10093, "WSANOTINITIALISED"},
    {-10092, "WSAVERNOTSUPPORTED"},
    {-10091, "WSASYSNOTREADY"},
    {-10071, "Object is remote"},
    {-10070, "Stale NFS file handle"},
    {-10069, "Quota exceeded"},
    {-10068, "Too many users"},
    {-10067, "WSAEPROCLIM"},
    {-10066, "Directory not empty"},
    {-10065, "No route to host"},
    {-10064, "Host is down"},
    {-10063, "File name too long"},
    {-10062, "Too many symbolic links encountered"},
    {-10061, "Connection refused"},
    {-10060, "Connection timed out"},
    {-10059, "Too many references: cannot splice"},
    {-10058, "Cannot send after transport endpoint shutdown"},
    {-10057, "Transport endpoint is not connected"},
    {-10056, "Transport endpoint is already connected"},
    {-10055, "No buffer space available"},
    {-10054, "Connection reset by peer"},
    {-10053, "Software caused connection abort"},
    {-10052, "Network dropped connection because of reset"},
    {-10051, "Network is unreachable"},
    {-10050, "Network is down"},
    {-10049, "Cannot assign requested address"},
    {-10048, "Address already in use"},
    {-10047, "Address family not supported by protocol"},
    {-10046, "Protocol family not supported"},
    {-10045, "Operation not supported on transport endpoint"},
    {-10044, "Socket type not supported"},
    {-10043, "Protocol not supported"},
    {-10042, "Protocol not available"},
    {-10041, "Protocol wrong type for socket"},
    {-10040, "Message too long"},
    {-10039, "Destination address required"},
    {-10038, "Socket operation on non-socket"},
    {-10037, "Operation already in progress"},
    {-10036, "Operation now in progress"},
    {-10035, "WSAEWOULDBLOCK"},
    {-10024, "Too many open files"},
    {-10022, "Invalid argument / Invalid data found when processing input"},
    {-10014, "Bad address"},
    {-10013, "Permission denied"},
    {-10009, "Bad file number"},
    {-10004, "Interrupted function call"},

    {-131, "State not recoverable"},
    {-130, "Owner died"},
    {-129, "Key was rejected by service"},
    {-128, "Key has been revoked"},
    {-127, "Key has expired"},
    {-126, "Required key not available"},
    {-125, "Operation Canceled"},
    {-124, "Wrong medium type"},
    {-123, "No medium found"},
    {-122, "Quota exceeded"},
    {-121, "Remote I/O error"},
    {-120, "Is a named type file"},
    {-119, "No XENIX semaphores available"},
    {-118, "Not a XENIX named type file"},
    {-117, "Structure needs cleaning"},
    {-116, "Stale NFS file handle"},
    {-115, "Operation now in progress"},
    {-114, "Operation already in progress"},
    {-113, "No route to host"},
    {-112, "Host is down"},
    {-111, "Connection refused"},
    {-110, "Connection timed out"},
    {-109, "Too many references: cannot splice"},
    {-108, "Cannot send after transport endpoint shutdown"},
    {-107, "Transport endpoint is not connected"},
    {-106, "Transport endpoint is already connected"},
    {-105, "No buffer space available"},
    {-104, "Connection reset by peer"},
    {-103, "Software caused connection abort"},
    {-102, "Network dropped connection because of reset"},
    {-101, "Network is unreachable"},
    {-100, "Network is down"},
    {-99, "Cannot assign requested address"},
    {-98, "Address already in use"},
    {-97, "Address family not supported by protocol"},
    {-96, "Protocol family not supported"},
    {-95, "Operation not supported on transport endpoint"},
    {-94, "Socket type not supported"},
    {-93, "Protocol not supported"},
    {-92, "Protocol not available"},
    {-91, "Protocol wrong type for socket"},
    {-90, "Message too long"},
    {-89, "Destination address required"},
    {-88, "Socket operation on non-socket"},
    {-87, "Too many users"},
    {-86, "Streams pipe error"},
    {-85, "Interrupted system call should be restarted"},
    {-84, "Illegal byte sequence"},
    {-83, "Cannot exec a shared library directly"},
    {-82, "Attempting to link in too many shared libraries"},
    {-81, ".lib section in a.out corrupted"},
    {-80, "Accessing a corrupted shared library"},
    {-79, "Can not access a needed shared library"},
    {-78, "Remote address changed"},
    {-77, "File descriptor in bad state"},
    {-76, "Name not unique on network"},
    {-75, "Value too large for defined data type"},
    {-74, "Not a data message"},
    {-73, "RFS specific error"},
    {-72, "Multihop attempted"},
    {-71, "Protocol error"},
    {-70, "Communication error on send"},
    {-69, "Srmount error"},
    {-68, "Advertise error"},
    {-67, "Link has been severed"},
    {-66, "Object is remote"},
    {-65, "Package not installed"},
    {-64, "Machine is not on the network"},
    {-63, "Out of streams resources"},
    {-62, "Timer expired"},
    {-61, "No data available"},
    {-60, "Device not a stream"},
    {-59, "Bad font file format"},
    {-57, "Invalid slot"},
    {-56, "Invalid request code"},
    {-55, "No anode"},
    {-54, "Exchange full"},
    {-53, "Invalid request descriptor"},
    {-52, "Invalid exchange"},
    {-51, "Level 2 halted"},
    {-50, "No CSI structure available"},
    {-49, "Protocol driver not attached"},
    {-48, "Link number out of range"},
    {-47, "Level 3 reset"},
    {-46, "Level 3 halted"},
    {-45, "Level 2 not synchronized"},
    {-44, "Channel number out of range"},
    {-43, "Identifier removed"},
    {-40, "Too many symbolic links encountered"},
    {-39, "Directory not empty"},
    {-38, "Function not implemented"},
    {-37, "No record locks available"},
    {-36, "File name too long"},
    {-35, "Resource deadlock would occur"},
    {-34, "Math result not representable"},
    {-33, "Math argument out of domain of func"},
    {-32, "Broken pipe"},
    {-31, "Too many links"},
    {-30, "Read-only file system"},
    {-29, "Illegal seek"},
    {-28, "No space left on device"},
    {-27, "File too large"},
    {-26, "Text file busy"},
    {-25, "Inappropriate I/O control operation / Not a typewriter"},
    {-24, "Too many open files"},
    {-23, "Too many open files in system / File table overflow"},
    {-22, "Invalid argument / Invalid data found when processing input"},
    {-21, "Is a directory"},
    {-20, "Not a directory"},
    {-19, "No such device"},
    {-18, "Cross-device link"},
    {-17, "File exists"},
    {-16, "Device or resource busy"},
    {-15, "Block device required"},
    {-14, "Bad address"},
    {-13, "Permission denied"},
    {-12, "Not enough space / Out of memory"},
    {-11, "Resource temporarily unavailable / Try again"},
    {-10, "No child processes"},
    {-9, "Bad file number"},
    {-8, "Exec format error"},
    {-7, "Argument list too long"},
    {-6, "No such device or address"},
    {-5, "I/O error"},
    {-4, "Interrupted function call"},
    {-3, "No such process"},
    {-2, "No such file or directory"},
    {-1, "Operation not permitted"},
};

constexpr bool SortedByCode() {
  for (size_t i = 1; i < std::size(kErrorTexts); ++i)
    if (kErrorTexts[i - 1].code >= kErrorTexts[i].code) return false;
  return true;
}
static_assert(SortedByCode(), "error texts must stay sorted by code for the lookup");

// The tags agree with the libraries' own definitions.
static_assert(AVERROR_EOF == -541478725 && AVERROR_INVALIDDATA == -1094995529 &&
              AVERROR_BUG == -558323010 && AVERROR_MUXER_NOT_FOUND == -1481985528 &&
              AVERROR_OPTION_NOT_FOUND == -1414549496 && AVERROR_EXIT == -1414092869 &&
              AVERROR_STREAM_NOT_FOUND == -1381258232 && AVERROR_PROTOCOL_NOT_FOUND == -1330794744 &&
              AVERROR_UNKNOWN == -1313558101 && AVERROR_DEMUXER_NOT_FOUND == -1296385272 &&
              AVERROR_FILTER_NOT_FOUND == -1279870712 && AVERROR_BSF_NOT_FOUND == -1179861752 &&
              AVERROR_PATCHWELCOME == -1163346256 && AVERROR_ENCODER_NOT_FOUND == -1129203192 &&
              AVERROR_DECODER_NOT_FOUND == -1128613112);
static_assert(-ENOENT == -2 && -EINVAL == -22 && -ENOTRECOVERABLE == -131 && -ECANCELED == -125);

}  // namespace

std::string MediaErrorText(int32_t code) {
  const auto* end = std::end(kErrorTexts);
  const auto* it = std::lower_bound(std::begin(kErrorTexts), end, code,
                                    [](const ErrorText& e, int32_t c) { return e.code < c; });
  if (it != end && it->code == code) return it->text;
  return FormatText("Error number %d occurred", code);
}

std::string FormatMediaError(const std::string& name, int32_t code) {
  return name + ": " + MediaErrorText(code);
}

}  // namespace media
