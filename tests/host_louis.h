// The host system from a test under Wine: running a command of its shell,
// and asking its own braille translator (liblouis through its Python
// binding, tests/host_translate.py, with the tables the program ships) what
// cells a text gives. Tests compare the program's cells with these instead
// of numbers written into the test. HOST_TRANSLATE_SCRIPT names the script.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// "Z:\a\b" or "Z:/a/b" (Wine's drive of the host's root) as "/a/b".
inline std::string HostPath(std::string path) {
  if (path.size() >= 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':') path.erase(0, 2);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

inline std::string ReadHostFile(const std::string& winePath) {
  std::string text;
  if (FILE* f = std::fopen(winePath.c_str(), "rb")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

// A file below /tmp, named once per process and call, as a Wine path.
inline std::string HostTempFile(const char* suffix) {
  static int counter = 0;
  char name[96];
  std::snprintf(name, sizeof name, "Z:\\tmp\\relivo-host-%lu-%d%s", GetCurrentProcessId(), ++counter, suffix);
  return name;
}

// Runs a command line of the host's shell (no double quotes in it) and
// waits for it to end. False when it failed or did not end in time.
inline bool RunHostCommand(const std::string& commandLine, DWORD timeoutMs = 10000) {
  // Wine starts a host program without a process handle to wait on: the
  // shell leaves its exit status in a file when it is done.
  const std::string done = HostTempFile(".done");
  DeleteFileA(done.c_str());
  std::string command = "/bin/sh -c \"" + commandLine + "; echo $? > " + HostPath(done) + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  if (pi.hThread) CloseHandle(pi.hThread);
  if (pi.hProcess) CloseHandle(pi.hProcess);
  const DWORD start = GetTickCount();
  std::string status;
  while ((status = ReadHostFile(done)).empty() || status.back() != '\n') {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(10);
  }
  DeleteFileA(done.c_str());
  return status == "0\n";
}

// Writes text (bytes in the Windows code page `codePage`) as UTF-8 into a
// new file below /tmp; returns its Wine path. A host program reads text
// this way: a command line would carry only what the host's locale holds.
inline std::string HostTextFile(const std::string& text, UINT codePage) {
  std::wstring wide(text.size() + 1, L'\0');
  wide.resize(static_cast<std::size_t>(MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                                           &wide[0], static_cast<int>(wide.size()))));
  std::string utf8(wide.size() * 4 + 1, '\0');
  utf8.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                                           &utf8[0], static_cast<int>(utf8.size()), nullptr, nullptr)));
  const std::string path = HostTempFile(".txt");
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(utf8.data(), 1, utf8.size(), f);
    std::fclose(f);
  }
  return path;
}

// The cells the host's translator gives in dots mode for `text` (bytes in
// the Windows code page `codePage`) with a table list whose first table is
// a host path: one dot pattern per cell, bit n for dot n + 1. False when
// the translator fails.
inline bool HostTranslate(const std::string& tables, const std::string& text, UINT codePage,
                          std::vector<std::uint8_t>& cells) {
  cells.clear();
  const std::string in = HostTextFile(text, codePage), out = HostTempFile(".out");
  const bool ran = RunHostCommand("/usr/bin/python3 " + HostPath(HOST_TRANSLATE_SCRIPT) + " " + tables + " " +
                                  HostPath(in) + " " + HostPath(out));
  const std::string result = ReadHostFile(out);
  DeleteFileA(in.c_str());
  DeleteFileA(out.c_str());
  cells.assign(result.begin(), result.end());
  return ran;
}
