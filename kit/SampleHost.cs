// SampleHost: how a .NET host application runs zeprobe.exe or radprobe.exe. A teaching
// example, meant to be copied: every step a host needs, and nothing else.
//
//   SampleHost <time-out in milliseconds> <full path of the program> [arguments...]
//
// It starts the program without a console window, reads the program's standard output and
// standard error at the same time, as UTF-8, ends the program when it has not finished within
// the time-out, then prints:
//
//   status: <exit status as an unsigned 32-bit number> (0x<the same in hex>)
//   timed out: yes | no
//   standard output: <N> bytes
//   <the N bytes: the text as read, written as UTF-8>
//   standard error: <M> bytes
//   <the M bytes: the text as read, written as UTF-8>
//
// The status of a program that the time-out ended is whatever Kill() leaves (4294967295 on
// Windows, 137 under Mono on Linux): a host cannot choose it, so the time-out flag is the
// verdict. SampleHost itself ends with 0 after printing, 1 when the program could not be
// started (with the reason on standard error), 2 on a wrong command line.
//
// Built with Mono:      mcs SampleHost.cs
// Built with .NET SDK:  a console project (dotnet new console) with this file as its only source
// It uses only what .NET Framework 4.5, Mono and .NET Core all offer.
using System;
using System.ComponentModel;
using System.Diagnostics;
using System.Globalization;
using System.IO;
using System.Text;
using System.Threading;

static class SampleHost {
  // UTF-8 without a byte-order mark. Its decoder replaces bytes that are not UTF-8 with U+FFFD
  // instead of failing: radprobe passes a driver's bytes through as they are.
  static readonly Encoding Utf8 = new UTF8Encoding(false);

  static int Main(string[] args) {
    int timeoutMs;
    if (args.Length < 2 ||
        !int.TryParse(args[0], NumberStyles.None, CultureInfo.InvariantCulture, out timeoutMs)) {
      Console.Error.WriteLine(
          "usage: SampleHost <time-out in milliseconds> <program> [arguments...]");
      return 2;
    }
    string[] programArguments = new string[args.Length - 2];
    Array.Copy(args, 2, programArguments, 0, programArguments.Length);
    try {
      Print(Run(args[1], programArguments, timeoutMs));
    } catch (Win32Exception error) {
      Console.Error.WriteLine("SampleHost: Process.Start failed: {0} ({1})", error.NativeErrorCode,
                              error.Message);
      return 1;
    }
    return 0;
  }

  sealed class Outcome {
    public uint Status;
    public bool TimedOut;
    public string Output = "";
    public string Errors = "";
  }

  static Outcome Run(string program, string[] arguments, int timeoutMs) {
    // 1. The settings. UseShellExecute = false is what allows redirecting and CreateNoWindow
    //    (CREATE_NO_WINDOW); it defaults to true on .NET Framework and Mono. Both streams are
    //    redirected and decoded as UTF-8: by default .NET decodes them with the console's code
    //    page on Windows and with the locale on Mono, which turns every character beyond ASCII
    //    into '?' under LANG=C. Standard input stays the host's own: the programs never read it.
    ProcessStartInfo start = new ProcessStartInfo(program, CommandLine(arguments));
    start.UseShellExecute = false;
    start.CreateNoWindow = true;
    start.RedirectStandardOutput = true;
    start.RedirectStandardError = true;
    start.StandardOutputEncoding = Utf8;
    start.StandardErrorEncoding = Utf8;

    // 2. Start it. The programs start no process of their own, so ending this one ends the
    //    whole run. A host that must also end the program when the host itself dies puts it
    //    into a job object with JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE right after Start
    //    (CreateJobObject, SetInformationJobObject, AssignProcessToJobObject through
    //    P/Invoke): Process.Start cannot start a process suspended.
    using (Process process = new Process { StartInfo = start }) {
      process.Start();
      // 3. Read both streams at once, each to its end (a read that returns 0 characters) on a
      //    thread of its own. Reading one to its end before the other waits forever once the
      //    program has filled the other pipe (4,096 bytes under Wine, 64 KiB on Linux), since
      //    the program then waits for the host and never ends. ReadToEndAsync() on both would
      //    read at once too, on the thread pool, which under Mono can hold up the end of the
      //    host's own process by half a minute after Main has returned.
      string output = "", errors = "";
      Thread outputReader = new Thread(() => output = process.StandardOutput.ReadToEnd());
      Thread errorReader = new Thread(() => errors = process.StandardError.ReadToEnd());
      outputReader.Start();
      errorReader.Start();

      // 4. Wait with the time-out; past it, end the program. Kill() may meet a program that
      //    has just ended by itself, which throws InvalidOperationException, or, on Windows,
      //    a program still ending, which throws Win32Exception: either way it ends. Kill() sets
      //    the status itself; the flag, not the status, says the run was ended.
      //    (.NET Core 3 and later: Kill(true) would also end processes the program started.)
      Outcome outcome = new Outcome();
      if (!process.WaitForExit(timeoutMs)) {
        outcome.TimedOut = true;
        try {
          process.Kill();
        } catch (InvalidOperationException) {
        } catch (Win32Exception) {
        }
        process.WaitForExit();
      }
      // ExitCode is a signed int: 0xC0000005 would read -1073741819.
      outcome.Status = unchecked((uint)process.ExitCode);
      outputReader.Join();
      errorReader.Join();
      outcome.Output = output;
      outcome.Errors = errors;
      return outcome;
    }
  }

  // The arguments as one command line that the program's C runtime splits back into them
  // unchanged (the rules of CommandLineToArgvW): each quoted, backslashes doubled only where a
  // quote follows them, a quote inside an argument written as \".
  // (.NET Core 2.1 and later: ProcessStartInfo.ArgumentList quotes each argument itself.)
  static string CommandLine(string[] arguments) {
    StringBuilder line = new StringBuilder();
    foreach (string argument in arguments) {
      if (line.Length > 0)
        line.Append(' ');
      line.Append('"');
      int backslashes = 0;
      foreach (char character in argument) {
        if (character == '\\') {
          ++backslashes;
          continue;
        }
        if (character == '"')
          backslashes = backslashes * 2 + 1;
        line.Append('\\', backslashes).Append(character);
        backslashes = 0;
      }
      line.Append('\\', backslashes * 2).Append('"');
    }
    return line.ToString();
  }

  static void Print(Outcome outcome) {
    // Bytes, not Console.Out: its encoding and line end would change what was read.
    using (Stream stdout = Console.OpenStandardOutput()) {
      Write(stdout, string.Format(CultureInfo.InvariantCulture, "status: {0} (0x{0:X8})\n",
                                  outcome.Status));
      Write(stdout, "timed out: " + (outcome.TimedOut ? "yes" : "no") + "\n");
      PrintStream(stdout, "standard output", outcome.Output);
      PrintStream(stdout, "standard error", outcome.Errors);
    }
  }

  static void PrintStream(Stream stdout, string name, string text) {
    byte[] bytes = Utf8.GetBytes(text);
    Write(stdout,
          string.Format(CultureInfo.InvariantCulture, "{0}: {1} bytes\n", name, bytes.Length));
    stdout.Write(bytes, 0, bytes.Length);
  }

  static void Write(Stream stdout, string text) {
    byte[] bytes = Utf8.GetBytes(text);
    stdout.Write(bytes, 0, bytes.Length);
  }
}
