// Background music on a worker thread through the media control interface, and its
// loudness through the mixer. Both sit behind a backend that tests replace.
#pragma once
#include <string>

enum class TMusicLine { WaveOut, Synthesizer };

class TMusicBackend {
 public:
  virtual ~TMusicBackend() = default;
  // Opens the file on the sequencer (MIDI) or waveform device; 0 and the error text on failure.
  virtual unsigned Open(const std::string& file, bool midi, std::string& error) = 0;
  virtual bool Play(unsigned device, std::string& error) = 0;
  virtual unsigned Length(unsigned device) = 0;
  virtual unsigned Position(unsigned device) = 0;
  virtual void SeekToStart(unsigned device) = 0;
  virtual std::string Close(unsigned device) = 0;  // the result text
  // Mixer volume 0..65535 of a source line; 0 (and writes ignored) without a control.
  virtual int GetVolume(TMusicLine line) = 0;
  virtual void SetVolume(TMusicLine line, int value) = 0;
};

// The system's backend (MCI and mixer), or the one a test set (null restores the system's).
TMusicBackend& MusicBackend();
void SetMusicBackend(TMusicBackend* backend);

bool IsMidiFile(const std::string& file);
// Stops any music and plays the file count times (0: until stopped) on a new thread.
void PlayMusic(const std::string& file, int count);
// Lowers the volume to 0 over ms (none for 0), stops the music and waits for its thread.
// The volume the fade started from is restored once the device is closed.
void FadeOutMusic(int ms);
int GetMusicVolume();
void SetMusicVolume(int value);
bool MusicPlaying();   // a device is open
bool MusicFinished();  // the last music thread has ended
