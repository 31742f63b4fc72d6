#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <sstream>
#include <string>

#include "media/binding/ff_utils.h"

namespace {

using media::FormatMediaError;
using media::MediaErrorText;

TEST(ErrorTexts, NamePrefixesTheText) {
  EXPECT_EQ(FormatMediaError("/tmp/in.avi", -2), "/tmp/in.avi: No such file or directory");
  EXPECT_EQ(FormatMediaError("out.mp4", -541478725), "out.mp4: End of file");
  EXPECT_EQ(FormatMediaError("x", -99999), "x: Error number -99999 occurred");
  // EINVAL keeps its own text even though a library tag means "invalid data".
  EXPECT_EQ(MediaErrorText(-22), "Invalid argument / Invalid data found when processing input");
  EXPECT_EQ(MediaErrorText(-1094995529), "Invalid data found when processing input");
}

TEST(ErrorTexts, UnlistedCodesGetTheNumber) {
  for (int32_t code : {0, 1, -41, -42, -58, -132, -10000, -10034, -10113, -11000, -11005, INT32_MIN})
    EXPECT_EQ(MediaErrorText(code), "Error number " + std::to_string(code) + " occurred") << code;
}

// Library codes are the negated tag read as a little-endian number.
struct TagCode {
  int32_t code;
  const char* tagBytes;
  const char* text;
};
const TagCode kTagCodes[] = {
    {-1481985528, "F8 4D 55 58", "Muxer not found"},
    {-1414549496, "F8 4F 50 54", "Option not found"},
    {-1414092869, "45 58 49 54", "Immediate exit requested"},
    {-1381258232, "F8 53 54 52", "Stream not found"},
    {-1330794744, "F8 50 52 4F", "Protocol not found"},
    {-1313558101, "55 4E 4B 4E", "Unknown error occurred"},
    {-1296385272, "F8 44 45 4D", "Demuxer not found"},
    {-1279870712, "F8 46 49 4C", "Filter not found"},
    {-1179861752, "F8 42 53 46", "Bitstream filter not found"},
    {-1163346256, "50 41 57 45", "Not yet implemented in FFmpeg, patches welcome"},
    {-1129203192, "F8 45 4E 43", "Encoder not found"},
    {-1128613112, "F8 44 45 43", "Decoder not found"},
    {-1094995529, "49 4E 44 41", "Invalid data found when processing input"},
    {-558323010, "42 55 47 21", "Internal bug"},
    {-541478725, "45 4F 46 20", "End of file"},
};

TEST(ErrorTexts, LibraryTagCodes) {
  for (const TagCode& t : kTagCodes) {
    std::istringstream bytes(t.tagBytes);
    uint32_t tag = 0;
    unsigned byte;
    for (int shift = 0; bytes >> std::hex >> byte; shift += 8) tag |= uint32_t(byte) << shift;
    EXPECT_EQ(t.code, -int32_t(tag)) << t.text;
    EXPECT_EQ(MediaErrorText(t.code), t.text);
  }
}

// System numbers, each with the Windows socket number of the same meaning (0: none).
struct SystemCode {
  int32_t code;
  int32_t socketCode;
  const char* text;
};
const SystemCode kSystemCodes[] = {
    {-1, 0, "Operation not permitted"},
    {-2, 0, "No such file or directory"},
    {-3, 0, "No such process"},
    {-4, -10004, "Interrupted function call"},
    {-5, 0, "I/O error"},
    {-6, 0, "No such device or address"},
    {-7, 0, "Argument list too long"},
    {-8, 0, "Exec format error"},
    {-9, -10009, "Bad file number"},
    {-10, 0, "No child processes"},
    {-11, 0, "Resource temporarily unavailable / Try again"},
    {-12, 0, "Not enough space / Out of memory"},
    {-13, -10013, "Permission denied"},
    {-14, -10014, "Bad address"},
    {-15, 0, "Block device required"},
    {-16, 0, "Device or resource busy"},
    {-17, 0, "File exists"},
    {-18, 0, "Cross-device link"},
    {-19, 0, "No such device"},
    {-20, 0, "Not a directory"},
    {-21, 0, "Is a directory"},
    {-22, -10022, "Invalid argument / Invalid data found when processing input"},
    {-23, 0, "Too many open files in system / File table overflow"},
    {-24, -10024, "Too many open files"},
    {-25, 0, "Inappropriate I/O control operation / Not a typewriter"},
    {-26, 0, "Text file busy"},
    {-27, 0, "File too large"},
    {-28, 0, "No space left on device"},
    {-29, 0, "Illegal seek"},
    {-30, 0, "Read-only file system"},
    {-31, 0, "Too many links"},
    {-32, 0, "Broken pipe"},
    {-33, 0, "Math argument out of domain of func"},
    {-34, 0, "Math result not representable"},
    {-35, 0, "Resource deadlock would occur"},
    {-36, -10063, "File name too long"},
    {-37, 0, "No record locks available"},
    {-38, 0, "Function not implemented"},
    {-39, -10066, "Directory not empty"},
    {-40, -10062, "Too many symbolic links encountered"},
    {-43, 0, "Identifier removed"},
    {-44, 0, "Channel number out of range"},
    {-45, 0, "Level 2 not synchronized"},
    {-46, 0, "Level 3 halted"},
    {-47, 0, "Level 3 reset"},
    {-48, 0, "Link number out of range"},
    {-49, 0, "Protocol driver not attached"},
    {-50, 0, "No CSI structure available"},
    {-51, 0, "Level 2 halted"},
    {-52, 0, "Invalid exchange"},
    {-53, 0, "Invalid request descriptor"},
    {-54, 0, "Exchange full"},
    {-55, 0, "No anode"},
    {-56, 0, "Invalid request code"},
    {-57, 0, "Invalid slot"},
    {-59, 0, "Bad font file format"},
    {-60, 0, "Device not a stream"},
    {-61, 0, "No data available"},
    {-62, 0, "Timer expired"},
    {-63, 0, "Out of streams resources"},
    {-64, 0, "Machine is not on the network"},
    {-65, 0, "Package not installed"},
    {-66, -10071, "Object is remote"},
    {-67, 0, "Link has been severed"},
    {-68, 0, "Advertise error"},
    {-69, 0, "Srmount error"},
    {-70, 0, "Communication error on send"},
    {-71, 0, "Protocol error"},
    {-72, 0, "Multihop attempted"},
    {-73, 0, "RFS specific error"},
    {-74, 0, "Not a data message"},
    {-75, 0, "Value too large for defined data type"},
    {-76, 0, "Name not unique on network"},
    {-77, 0, "File descriptor in bad state"},
    {-78, 0, "Remote address changed"},
    {-79, 0, "Can not access a needed shared library"},
    {-80, 0, "Accessing a corrupted shared library"},
    {-81, 0, ".lib section in a.out corrupted"},
    {-82, 0, "Attempting to link in too many shared libraries"},
    {-83, 0, "Cannot exec a shared library directly"},
    {-84, 0, "Illegal byte sequence"},
    {-85, 0, "Interrupted system call should be restarted"},
    {-86, 0, "Streams pipe error"},
    {-87, -10068, "Too many users"},
    {-88, -10038, "Socket operation on non-socket"},
    {-89, -10039, "Destination address required"},
    {-90, -10040, "Message too long"},
    {-91, -10041, "Protocol wrong type for socket"},
    {-92, -10042, "Protocol not available"},
    {-93, -10043, "Protocol not supported"},
    {-94, -10044, "Socket type not supported"},
    {-95, -10045, "Operation not supported on transport endpoint"},
    {-96, -10046, "Protocol family not supported"},
    {-97, -10047, "Address family not supported by protocol"},
    {-98, -10048, "Address already in use"},
    {-99, -10049, "Cannot assign requested address"},
    {-100, -10050, "Network is down"},
    {-101, -10051, "Network is unreachable"},
    {-102, -10052, "Network dropped connection because of reset"},
    {-103, -10053, "Software caused connection abort"},
    {-104, -10054, "Connection reset by peer"},
    {-105, -10055, "No buffer space available"},
    {-106, -10056, "Transport endpoint is already connected"},
    {-107, -10057, "Transport endpoint is not connected"},
    {-108, -10058, "Cannot send after transport endpoint shutdown"},
    {-109, -10059, "Too many references: cannot splice"},
    {-110, -10060, "Connection timed out"},
    {-111, -10061, "Connection refused"},
    {-112, -10064, "Host is down"},
    {-113, -10065, "No route to host"},
    {-114, -10037, "Operation already in progress"},
    {-115, -10036, "Operation now in progress"},
    {-116, -10070, "Stale NFS file handle"},
    {-117, 0, "Structure needs cleaning"},
    {-118, 0, "Not a XENIX named type file"},
    {-119, 0, "No XENIX semaphores available"},
    {-120, 0, "Is a named type file"},
    {-121, 0, "Remote I/O error"},
    {-122, -10069, "Quota exceeded"},
    {-123, 0, "No medium found"},
    {-124, 0, "Wrong medium type"},
    {-125, 0, "Operation Canceled"},
    {-126, 0, "Required key not available"},
    {-127, 0, "Key has expired"},
    {-128, 0, "Key has been revoked"},
    {-129, 0, "Key was rejected by service"},
    {-130, 0, "Owner died"},
    {-131, 0, "State not recoverable"},
};

TEST(ErrorTexts, SystemAndSocketCodes) {
  std::set<int32_t> seen;
  for (const SystemCode& s : kSystemCodes) {
    EXPECT_TRUE(seen.insert(s.code).second) << s.code;
    EXPECT_EQ(MediaErrorText(s.code), s.text) << s.code;
    if (s.socketCode) {
      EXPECT_EQ(MediaErrorText(s.socketCode), s.text) << s.socketCode;
    }
  }
  EXPECT_EQ(seen.size(), 128u);
}

const std::pair<int32_t, const char*> kSocketNames[] = {
    {-10035, "WSAEWOULDBLOCK"},
    {-10067, "WSAEPROCLIM"},
    {-10091, "WSASYSNOTREADY"},
    {-10092, "WSAVERNOTSUPPORTED"},
    {-10093, "WSANOTINITIALISED"},
    {-10101, "WSAEDISCON"},
    {-10102, "WSAENOMORE"},
    {-10103, "WSAECANCELLED"},
    {-10104, "WSAEINVALIDPROCTABLE"},
    {-10105, "WSAEINVALIDPROVIDER"},
    {-10106, "WSAEPROVIDERFAILEDINIT"},
    {-10107, "WSASYSCALLFAILURE"},
    {-10108, "WSASERVICE_NOT_FOUND"},
    {-10109, "WSATYPE_NOT_FOUND"},
    {-10110, "WSA_E_NO_MORE"},
    {-10111, "WSA_E_CANCELLED"},
    {-10112, "WSAEREFUSED"},
    {-11001, "WSAHOST_NOT_FOUND"},
    {-11002, "WSATRY_AGAIN"},
    {-11003, "WSANO_RECOVERY"},
    {-11004, "WSANO_DATA"},
};

TEST(ErrorTexts, SocketCodesWithoutEquivalentGiveTheirNames) {
  for (const auto& [code, name] : kSocketNames) EXPECT_EQ(MediaErrorText(code), name) << code;
}

}  // namespace
