/* Built against an installed vantrel_shared: connects to the first
 * spectrometer, reads one averaged frame and prints its length. */
#include <stdio.h>

#include <vantrel_shared.h>

static uint16_t frame[3694];

int main(void)
{
    if (getDevicesCount() < 1) {
        fprintf(stderr, "no spectrometer\n");
        return 1;
    }
    if (connectToDevice(0) != 0) {
        fprintf(stderr, "connectToDevice failed\n");
        return 1;
    }
    uint16_t pixels = 0;
    setFrameFormat(0, 0, 3647, 0, &pixels);
    setAcquisitionParameters(0, 1, 0, 3, 1000);
    triggerAcquisition(0);

    uint16_t framesInMemory = 0;
    while (getStatus(0, NULL, &framesInMemory) == 0 && framesInMemory == 0) {}

    int32_t code = 0, state = 0, result = -1;
    getFrame(0, frame, 0xFFFF);
    do getCurrentOperationInfo(0, &code, &state); while (state != VANTREL_STATE_FINISHED);
    checkLastError(0, &result);
    disconnectLibrary();
    printf("frame of %u pixels, result %d\n", pixels, result);
    return result == 0 && pixels == 3694 ? 0 : 1;
}
