#include <driver/stream/switch_pacing.h>

bool switchReady(const StreamStatus& status, const PacingShape& shape) {
  const bool playbackReady =
      shape.simulatedOutputs || shape.outputs == 0 || status.playbackFreeFrames >= shape.bufferSize;
  const bool captureReady =
      shape.inputs == 0 ? status.outputCredit >= 0 : status.captureFillFrames >= shape.bufferSize;
  return playbackReady && captureReady;
}
