/*
 * vantrel_shared: device library for the Vantrel 3694-pixel USB spectrometer.
 *
 * Up to ten spectrometers are addressed by a device index 0..9, their
 * position in the USB enumeration (vendor 0xE220, product 0x0100). Every
 * function returns a 32-bit result code, 0 for success:
 *
 *   0        success
 *   1        device index above 9 (also a possible device status byte)
 *   101      no worker exists for the slot (checkLastError, getCurrentOperationInfo)
 *   501      no device at that enumeration position, or it has no serial number
 *   502      opening the device failed
 *   504      writing an output report failed, also after one re-open
 *   505      no 64-byte reply within the time limit
 *   506      the reply's command code is not the expected one
 *   507      frame read out of sequence
 *   508      the frame needs more than 124 reports
 *   509      null buffer given to getFrame, readFlash or writeFlash
 *   510      flash read out of sequence
 *   1..255   a non-zero status byte reported by the device for a set command
 *
 * Every function that talks to a device (the synchronous ones as well as
 * getFrame, readFlash and writeFlash) connects its slot first when the slot
 * has no worker yet, as connectToDevice does: a slot with no device at its
 * enumeration position answers 501 and no other device is touched. A slot
 * whose device went away re-opens that same device (by its serial number).
 *
 * Synchronous functions run on the caller's thread. getFrame, readFlash and
 * writeFlash are asynchronous: they return 0 once the slot's worker has taken
 * the operation; the caller then polls getCurrentOperationInfo until the state
 * is 2 and reads the transfer's result with checkLastError. The caller owns
 * every buffer it passes and must leave it untouched until the state is 2.
 *
 * Threads: every function may be called from any thread, at any time.
 *   - Different slots share nothing but the USB layer; calls on them run in
 *     parallel.
 *   - On one slot, device traffic is serialised: a synchronous call waits
 *     while another synchronous call or the slot's running transfer holds
 *     the device, then runs alone.
 *   - Only one asynchronous operation is pending per slot: a second getFrame,
 *     readFlash or writeFlash on the slot waits until the worker has taken
 *     the first (which happens once any running transfer has ended), then
 *     posts its own; none is lost or overwritten. getCurrentOperationInfo
 *     and checkLastError describe the latest operation taken, whoever
 *     posted it, so threads that share a slot must agree among themselves
 *     whose result they are reading.
 *   - connectToDevice and disconnectLibrary wait for a running transfer and
 *     for postings in progress on the slot, then replace or stop its worker;
 *     concurrent connects of one slot run one after the other.
 *   - No call waits with a time limit of its own: a wait ends when the
 *     transfer it waits for ends, and every transfer is bounded by the
 *     device time limits (100 ms per report, 5 s for erase).
 *
 * Output pointers may be NULL. Integer arguments are passed as 32-bit
 * unsigned values; only the low 8, 16 or 32 bits the device field holds are
 * sent. Multi-byte fields travel little-endian.
 */
#ifndef VANTREL_SHARED_H
#define VANTREL_SHARED_H

#include <stdint.h>

#if defined(VANTREL_BUILDING_LIBRARY)
#define VANTREL_API __attribute__((visibility("default")))
#else
#define VANTREL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** Number of attached spectrometers. Never fails; 0 when none is attached. */
VANTREL_API int32_t getDevicesCount(void);

/** Opens the device at enumeration position deviceIndex and starts the slot's
 *  worker, tearing down whatever the slot held. Returns 0, 1, 501 or 502. */
VANTREL_API int32_t connectToDevice(uint32_t deviceIndex);

/** Tears down all ten slots: waits for running transfers, stops the workers,
 *  closes the devices. Returns at once when nothing is connected. */
VANTREL_API void disconnectLibrary(void);

/** Writes the result of the slot's last finished asynchronous operation to
 *  lastResult. Returns 0, 1, or 101 when the slot has no worker (lastResult is
 *  then left untouched). */
VANTREL_API int32_t checkLastError(uint32_t deviceIndex, int32_t *lastResult);

/** Writes the code (11 frame read, 14 flash read, 15 flash write, 0 none yet)
 *  and state (0 idle, 1 running, 2 finished) of the slot's current
 *  asynchronous operation. Returns 0, 1 or 101. */
VANTREL_API int32_t getCurrentOperationInfo(uint32_t deviceIndex, int32_t *operationCode,
                                            int32_t *operationState);

/** The operation states getCurrentOperationInfo writes. */
#define VANTREL_STATE_IDLE 0
#define VANTREL_STATE_RUNNING 1
#define VANTREL_STATE_FINISHED 2

/** Reads the status flags and the number of frames held by the device.
 *  Returns 0 or 1, 501, 502, 504, 505, 506; outputs are left untouched on failure. */
VANTREL_API int32_t getStatus(uint32_t deviceIndex, uint8_t *statusFlags, uint16_t *framesInMemory);

/** Sets the exposure time (device units) and the exposure flag byte.
 *  Returns the device status byte or a library error. */
VANTREL_API int32_t setExposure(uint32_t deviceIndex, uint32_t exposureTime, uint32_t exposureFlag);

/** Sets scans per acquisition, blank scans between them, the scan mode byte
 *  and the exposure time. Returns the device status byte or a library error. */
VANTREL_API int32_t setAcquisitionParameters(uint32_t deviceIndex, uint32_t scansNumber,
                                             uint32_t blankScansNumber, uint32_t scanMode,
                                             uint32_t exposureTime);

/** Sets the detector element range and reduction mode. On status 0 the frame
 *  length the device reports is remembered for getFrame and written to
 *  pixelsInFrame. Returns the device status byte or a library error. */
VANTREL_API int32_t setFrameFormat(uint32_t deviceIndex, uint32_t startElement, uint32_t endElement,
                                   uint32_t reductionMode, uint16_t *pixelsInFrame);

/** Arms or disarms the external trigger (enable mode and signal edge bytes).
 *  Returns the device status byte or a library error. */
VANTREL_API int32_t setExternalTrigger(uint32_t deviceIndex, uint32_t enableMode,
                                       uint32_t signalFrontMode);

/** Starts an acquisition. No reply is awaited: returns 0, 1, 501, 502 or 504. */
VANTREL_API int32_t triggerAcquisition(uint32_t deviceIndex);

/** Frees the frames held in device memory. Returns the device status byte or
 *  a library error. */
VANTREL_API int32_t clearMemory(uint32_t deviceIndex);

/** Reads the frame format; the frame length is also remembered for getFrame
 *  (0 when the read fails). Returns 0 or a library error. */
VANTREL_API int32_t getFrameFormat(uint32_t deviceIndex, uint16_t *startElement, uint16_t *endElement,
                                   uint8_t *reductionMode, uint16_t *pixelsInFrame);

/** Reads the acquisition parameters. Returns 0 or a library error. */
VANTREL_API int32_t getAcquisitionParameters(uint32_t deviceIndex, uint16_t *scansNumber,
                                             uint16_t *blankScansNumber, uint8_t *scanMode,
                                             uint32_t *exposureTime);

/** Arms or disarms the optical trigger on a detector pixel and threshold.
 *  Returns the device status byte or a library error. */
VANTREL_API int32_t setOpticalTrigger(uint32_t deviceIndex, uint32_t enableMode, uint32_t pixel,
                                      uint32_t threshold);

/** Sets the acquisition parameters and two further byte parameters in one
 *  request. Returns the device status byte or a library error. */
VANTREL_API int32_t setMultipleParameters(uint32_t deviceIndex, uint32_t scansNumber,
                                          uint32_t blankScansNumber, uint32_t scanMode,
                                          uint32_t exposureTime, uint32_t byteParameter1,
                                          uint32_t byteParameter2);

/** Erases the whole flash (to 0xFF); allows up to 5 s for the reply.
 *  Returns the device status byte or a library error. */
VANTREL_API int32_t eraseFlash(uint32_t deviceIndex);

/** Resets the device. No reply is awaited: returns 0, 1, 501, 502 or 504. */
VANTREL_API int32_t resetDevice(uint32_t deviceIndex);

/** Detaches the device from USB. No reply is awaited: returns 0, 1, 501, 502 or 504. */
VANTREL_API int32_t detachDevice(uint32_t deviceIndex);

/** Posts a frame read into frameBuffer (caller-owned, at least as many
 *  pixels as the frame length; 3694 for a full frame). frameNumber 0xFFFF
 *  reads the device-averaged frame. Connects the slot first when it has no
 *  worker. Returns 0 once posted, or 1 / the connect error; the transfer's
 *  result (0, 502, 504..509) comes from checkLastError. */
VANTREL_API int32_t getFrame(uint32_t deviceIndex, uint16_t *frameBuffer, uint32_t frameNumber);

/** Posts a read of bytesCount bytes of flash from flashAddress into
 *  flashBuffer (caller-owned). Returns 0 once posted; the transfer's result
 *  (0, 502, 504, 505, 506, 509, 510) comes from checkLastError. */
VANTREL_API int32_t readFlash(uint32_t deviceIndex, uint8_t *flashBuffer, uint32_t flashAddress,
                              uint32_t bytesCount);

/** Posts a write of bytesCount bytes from flashBuffer (caller-owned) to flash
 *  at flashAddress; the flash must have been erased. Returns 0 once posted;
 *  the transfer's result (0, a status byte, 255 for 0 bytes, 502, 504, 505,
 *  506, 509) comes from checkLastError. */
VANTREL_API int32_t writeFlash(uint32_t deviceIndex, const uint8_t *flashBuffer, uint32_t flashAddress,
                               uint32_t bytesCount);

#ifdef __cplusplus
}
#endif

#endif /* VANTREL_SHARED_H */
