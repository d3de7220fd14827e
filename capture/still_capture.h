// Still pictures of an open device: the trigger, the frame conversion on
// DirectShow's streaming thread, completion by event or posted message,
// the caller's wait and taking the held picture. The capture graph owns
// one record and hands every frame of its sample grabber to it.
#pragma once
#include "base/owners.h"
#include "capture/dib_section.h"
#include "capture/picture_model.h"

#include <windows.h>
#include <strmif.h>

#include <atomic>
#include <cstddef>
#include <vector>

class CStillCapture {
 public:
  CStillCapture() = default;
  ~CStillCapture();
  CStillCapture(const CStillCapture&) = delete;
  CStillCapture& operator=(const CStillCapture&) = delete;

  // Completion: the auto-reset event (event mode), or a message posted to
  // a window (message mode). Chosen once, before the graph runs.
  HRESULT UseEvent();
  void UseMessage(HWND window, UINT message);
  // Stills come from the device's still pin: every frame on it is one,
  // whoever asked for it.
  void SetStillPin(bool stillPin) { stillPin_ = stillPin; }
  bool HasEvent() const { return static_cast<bool>(event_); }

  // The media type at the sample grabber, read when the graph is built and
  // replaced when a sample carries a new one.
  HRESULT SetConnectedType(const AM_MEDIA_TYPE& type);

  // Starts a cycle: the streaming side takes the next frame. (In still-pin
  // mode the graph then asks the device for a picture.)
  void Arm();
  bool IsArmed() const { return TriggerIsArmed(trigger_, stillPin_); }
  // The wait of the caller: E_FAIL when nothing is armed, E_POINTER in
  // message mode, the time-out code, else the conversion's failure or
  // S_OK. The messages sent to the caller's windows are handled meanwhile.
  // A signal of `interrupt` (may be null) ends the wait early with S_FALSE,
  // the trigger still armed.
  HRESULT Wait(DWORD timeoutMs, HANDLE interrupt = nullptr);
  // Moves the held picture out (the decompressor stays here); an empty
  // holder when there was none.
  void Take(CDIBSection& picture);
  // Puts a taken picture back after a failed save or copy, unless a newer
  // one arrived meanwhile (the taken one is then dropped).
  void PutBack(CDIBSection& picture);

  // The newest frame, held apart from the stills, as 24-bit RGB rows from
  // the bottom (LumenoCopyNewestFrame): S_FALSE while no frame has arrived;
  // the lock on the frame is held only to swap it out.
  HRESULT CopyNewest(BITMAPINFOHEADER* header, void* pixels, std::size_t size);

  // The sample callback's work on the streaming thread.
  HRESULT OnSample(IMediaSample* sample);
  // One frame of `length` bytes in the connected type: dropped unless a
  // still is wanted; else converted, the result stored and signalled.
  void OnFrame(const BYTE* data, std::size_t length);

 private:
  void OnConvert(const BYTE* data, std::size_t length);
  // One copy of every frame for NewestFrame.
  void HoldNewest(const BYTE* data, std::size_t length);
  // Stores the result of a cycle and signals it.
  void Complete(HRESULT result);

  TriggerFlags trigger_;
  std::atomic<bool> stillPin_{false};
  KernelHandle event_;  // event mode only
  HWND notifyWindow_ = nullptr;
  UINT notifyMessage_ = 0;
  std::atomic<HRESULT> lastResult_{S_OK};
  CriticalSection lock_;  // guards held_ and connected_
  AM_MEDIA_TYPE connected_ = {};
  CDIBSection held_;
  // The newest frame: written by the streaming thread under newestLock_,
  // swapped into reading_ by the caller when it is fresh.
  CriticalSection newestLock_;
  std::vector<BYTE> newest_;
  bool newestFresh_ = false;
  std::vector<BYTE> reading_;  // the caller's, under readingLock_
  bool readingHeld_ = false;
  CDIBSection newestPicture_;  // keeps its decompressor between calls
  CriticalSection readingLock_;
};

// A frame in a media type into a picture: the type must be video with a
// video-info or video-info-2 header whose bitmap header lies inside the
// format block (else VFW_E_INVALIDMEDIATYPE); the frame must hold every
// byte its header asks for (else E_FAIL).
HRESULT ConvertFrame(const AM_MEDIA_TYPE& type, const BYTE* data, std::size_t length, CDIBSection& picture);
// A frame in 24-bit RGB copied as 24-bit rows from the bottom (the checks
// of ConvertFrame; the header always, the pixels when `size` holds them,
// else 0x8007007A); S_FALSE, nothing written, for any other pixel format.
HRESULT CopyRgb24Frame(const AM_MEDIA_TYPE& type, const BYTE* data, std::size_t length, BITMAPINFOHEADER* header,
                       void* pixels, std::size_t size);

// The library's module, kept from DllMain.
void SetLibraryModule(HINSTANCE module);
HINSTANCE LibraryModule();

// Starts the library's shutter sound; true when it started.
bool PlayShutterSound();
