/*
 * vantrel_demo: one averaged frame and the first flash page from the first
 * spectrometer, with a short summary on standard output. Runs against real
 * hardware, or against the virtual spectrometer with VANTREL_VIRTUAL=1.
 *
 * Usage: vantrel_demo [exposure-ms]   (default 10 ms)
 */
#define _POSIX_C_SOURCE 200809L
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "vantrel_shared.h"

enum { kDevice = 0, kFramePixels = 3694, kFirstActive = 33, kLastActive = 3685, kPageBytes = 6000 };

static void pause25ms(void)
{
    const struct timespec delay = {0, 25 * 1000 * 1000};
    nanosleep(&delay, NULL);
}

/* Polls until the slot's operation has finished; returns its result. */
static int32_t waitForOperation(void)
{
    int32_t code = 0, state = 0, result = 0;
    for (;;) {
        if (getCurrentOperationInfo(kDevice, &code, &state) != 0) return -1;
        if (state == VANTREL_STATE_FINISHED) break;
        pause25ms();
    }
    checkLastError(kDevice, &result);
    return result;
}

static int fail(const char *what, int32_t code)
{
    fprintf(stderr, "vantrel_demo: %s failed with result %d\n", what, (int)code);
    disconnectLibrary();
    return 1;
}

int main(int argc, char **argv)
{
    double exposureMs = argc > 1 ? atof(argv[1]) : 10.0;
    if (exposureMs < 0.01) exposureMs = 0.01;
    const uint32_t exposure = (uint32_t)(exposureMs * 100.0); /* units of 0.01 ms */

    const int32_t count = getDevicesCount();
    printf("Spectrometers attached: %d\n", (int)count);
    if (count < 1) {
        fprintf(stderr, "vantrel_demo: no spectrometer found (try VANTREL_VIRTUAL=1)\n");
        return 1;
    }

    int32_t r = connectToDevice(kDevice);
    if (r != 0) return fail("connectToDevice", r);

    uint16_t pixels = 0;
    if ((r = clearMemory(kDevice)) != 0) return fail("clearMemory", r);
    if ((r = setExternalTrigger(kDevice, 0, 0)) != 0) return fail("setExternalTrigger", r);
    if ((r = setFrameFormat(kDevice, 0, 3647, 0, &pixels)) != 0) return fail("setFrameFormat", r);
    if ((r = setAcquisitionParameters(kDevice, 1, 0, 3, exposure)) != 0)
        return fail("setAcquisitionParameters", r);
    if ((r = triggerAcquisition(kDevice)) != 0) return fail("triggerAcquisition", r);

    /* Scan mode 3: the averaged frame is ready once the device holds a frame. */
    uint8_t flags = 0;
    uint16_t frames = 0;
    int polls = 0;
    do {
        if ((r = getStatus(kDevice, &flags, &frames)) != 0) return fail("getStatus", r);
        if (frames == 0) pause25ms();
    } while (frames == 0 && ++polls < 400);
    if (frames == 0) return fail("waiting for the frame", 0);

    static uint16_t frame[kFramePixels];
    if ((r = getFrame(kDevice, frame, 0xFFFF)) != 0) return fail("getFrame", r);
    if ((r = waitForOperation()) != 0) return fail("frame read", r);

    static uint8_t page[kPageBytes];
    if ((r = readFlash(kDevice, page, 0, kPageBytes)) != 0) return fail("readFlash", r);
    if ((r = waitForOperation()) != 0) return fail("flash read", r);

    uint32_t minimum = 65535, maximum = 0;
    int peak = kFirstActive;
    double sum = 0.0;
    for (int j = kFirstActive; j <= kLastActive; ++j) {
        if (frame[j] < minimum) minimum = frame[j];
        if (frame[j] > maximum) { maximum = frame[j]; peak = j; }
        sum += frame[j];
    }
    printf("Pixels in frame: %u\n", (unsigned)pixels);
    printf("Exposure: %.3f ms\n", exposure / 100.0);
    printf("Active pixels %d..%d: min %u, max %u at pixel %d, mean %.1f\n", kFirstActive, kLastActive,
           (unsigned)minimum, (unsigned)maximum, peak, sum / (kLastActive - kFirstActive + 1));
    printf("Flash identification record: \"");
    for (int i = 0; i < 16; ++i) putchar(page[i] >= 0x20 && page[i] < 0x7F ? page[i] : '.');
    printf("\"\n");

    disconnectLibrary();
    return 0;
}
