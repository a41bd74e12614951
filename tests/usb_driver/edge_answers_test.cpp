// The stand-in driver's answers at their edges, through DeviceIoControl as the platform
// delivers them: short buffers, port numbers outside the hub, a code no hub driver knows.
// Runs on tools/usb-topologies/example.txt (controller 0: three ports, a hub on port 2).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kRootHubName = 0x220408;  // to a controller
constexpr DWORD kNodeInformation = 0x220408;  // to a hub
constexpr DWORD kConnectionInformation = 0x22040C;
constexpr DWORD kConnectionName = 0x220414;
constexpr DWORD kUnknown = 0x220410;

const char kController[] = "\\\\.\\HCD0";
const char kRootHub[] = "\\\\.\\USB#ROOT_HUB20#4&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}";

struct Edge {
  const char* what;
  const char* device;
  DWORD code;
  DWORD port;  // the ConnectionIndex in the first four bytes of the input
  DWORD inSize, outSize;
  DWORD error;     // 0: the request succeeds
  DWORD returned;  // bytes returned on success
  std::size_t lengthAt;  // where ActualLength (or the port count byte) sits, if checked
  std::uint32_t length;  // its value
};

constexpr std::size_t kNone = ~std::size_t{0};

const Edge kEdges[] = {
    {"root hub name: less than the header", kController, kRootHubName, 0, 0, 5,
     ERROR_INSUFFICIENT_BUFFER, 0, kNone, 0},
    {"root hub name: the header only, full length reported", kController, kRootHubName, 0, 0, 6,
     0, 6, 0, 120},
    {"root hub name: room for all of it", kController, kRootHubName, 0, 0, 200, 0, 120, 0, 120},
    {"controller: unknown code", kController, kUnknown, 0, 0, 200, ERROR_INVALID_FUNCTION, 0,
     kNone, 0},
    {"node information: one byte short", kRootHub, kNodeInformation, 0, 0, 75,
     ERROR_INSUFFICIENT_BUFFER, 0, kNone, 0},
    {"node information: port count", kRootHub, kNodeInformation, 0, 0, 76, 0, 76, 6, 3},
    {"connection: port 0", kRootHub, kConnectionInformation, 0, 35, 35, ERROR_INVALID_PARAMETER,
     0, kNone, 0},
    {"connection: above the port count", kRootHub, kConnectionInformation, 4, 35, 35,
     ERROR_INVALID_PARAMETER, 0, kNone, 0},
    {"connection: output one byte short", kRootHub, kConnectionInformation, 1, 35, 34,
     ERROR_INSUFFICIENT_BUFFER, 0, kNone, 0},
    {"connection: input one byte short", kRootHub, kConnectionInformation, 1, 34, 35,
     ERROR_INSUFFICIENT_BUFFER, 0, kNone, 0},
    {"connection: the fixed part only, whatever the room", kRootHub, kConnectionInformation, 3,
     365, 365, 0, 35, 0, 3},
    {"hub name: port 0", kRootHub, kConnectionName, 0, 10, 10, ERROR_INVALID_PARAMETER, 0, kNone,
     0},
    {"hub name: above the port count", kRootHub, kConnectionName, 4, 10, 10,
     ERROR_INVALID_PARAMETER, 0, kNone, 0},
    {"hub name: less than the header", kRootHub, kConnectionName, 2, 10, 9,
     ERROR_INSUFFICIENT_BUFFER, 0, kNone, 0},
    {"hub name: the header only, full length reported", kRootHub, kConnectionName, 2, 10, 10, 0,
     10, 4, 142},
    {"hub name: a port without a hub", kRootHub, kConnectionName, 1, 10, 200, 0, 10, 4, 10},
    {"hub: unknown code", kRootHub, kUnknown, 1, 10, 200, ERROR_INVALID_FUNCTION, 0, kNone, 0},
};

class StandInEdges : public testing::TestWithParam<Edge> {};

TEST_P(StandInEdges, AnswerAsThePlatformsDriverDoes) {
  const Edge& edge = GetParam();
  HANDLE device = CreateFileA(edge.device, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(device, INVALID_HANDLE_VALUE) << edge.device;
  // Guard bytes past the output: the driver must not write beyond what it was given.
  std::vector<unsigned char> block(std::max(edge.inSize, edge.outSize) + 16, 0xA5);
  std::memcpy(block.data(), &edge.port, sizeof edge.port);
  DWORD returned = 12345;
  SetLastError(0);
  const BOOL ok = DeviceIoControl(device, edge.code, block.data(), edge.inSize, block.data(),
                                  edge.outSize, &returned, nullptr);
  const DWORD error = ok ? 0 : GetLastError();
  CloseHandle(device);
  EXPECT_EQ(error, edge.error) << edge.what;
  if (edge.error == 0) {
    EXPECT_EQ(returned, edge.returned) << edge.what;
    if (edge.lengthAt == 6) {
      EXPECT_EQ(block[6], edge.length) << edge.what;
    } else if (edge.lengthAt != kNone) {
      std::uint32_t length = 0;
      std::memcpy(&length, block.data() + edge.lengthAt, sizeof length);
      EXPECT_EQ(length, edge.length) << edge.what;
    }
  }
  for (std::size_t i = std::max(edge.inSize, edge.outSize); i < block.size(); ++i)
    EXPECT_EQ(block[i], 0xA5) << edge.what << ": byte " << i;
}

INSTANTIATE_TEST_SUITE_P(Table, StandInEdges, testing::ValuesIn(kEdges));

}  // namespace
