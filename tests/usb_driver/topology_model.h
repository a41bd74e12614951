/* The simulator's model behind a C interface, for the test driver's C transport: the same
 * topology file, the same answers, byte for byte. */
#pragma once
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TopologyModel TopologyModel;

/* Room for the longest name the model gives a device, with its terminator. */
#define MODEL_NAME_ROOM 264

/* A controller or a hub, as the driver makes it a device. */
typedef struct ModelDevice {
  const void* controller; /* requests go to this controller, or else to `hub` */
  const void* hub;
  int openable;           /* without a name the platform cannot open it ("fail=open") */
  int legacyNumber;       /* a controller's n of "HCDn", or -1 */
  unsigned interfaces;    /* a controller: how many times it is listed */
  char path[MODEL_NAME_ROOM]; /* a controller: its first interface's path ("\\?\..."); a hub:
                                 its name, without the "\\.\" prefix */
} ModelDevice;

typedef enum ModelOutcome {
  kModelOk,
  kModelBufferTooSmall,
  kModelInvalidParameter,
  kModelInvalidRequest,
  kModelFailed
} ModelOutcome;

/* Builds the model from a topology file's bytes. On a malformed file the model has no
 * controllers and `error` holds the line the simulator writes ("" when the file is sound).
 * Null when memory runs out. */
TopologyModel* ModelLoad(const char* bytes, size_t size, const char* source, char* error,
                         size_t errorRoom);
void ModelFree(TopologyModel* model);

/* Controllers in the order the platform lists them, each followed by its hubs, depth first. */
size_t ModelDeviceCount(const TopologyModel* model);
int ModelDeviceAt(const TopologyModel* model, size_t index, ModelDevice* device);

/* One request as METHOD_BUFFERED delivers it: `buffer` holds the input and receives the
 * output. `written`: the bytes returned. */
ModelOutcome ModelAnswer(TopologyModel* model, const ModelDevice* device, uint32_t code,
                         void* buffer, size_t inSize, size_t outSize, size_t* written);

#ifdef __cplusplus
}
#endif
