/* libtirnash: finds the serial port on which the ISDN adapter answers, and writes
 * binary values into the registry store that the Quorvel program uses.
 *
 * Link with -ltirnash, or load libtirnash.so.1 with dlopen and look the four names up.
 * Every function uses the C calling convention, returns a plain int and never throws,
 * prints or exits. Nothing is shown to the user; nothing reports a registry failure.
 *
 * Ports and registry are found as the program finds them: the ports directory
 * ($QUORVEL_PORTS_DIR, else ~/.config/quorvel/ports, entries COM1..COM4) and the hives
 * in $QUORVEL_REGISTRY_DIR (else ~/.config/quorvel and $XDG_RUNTIME_DIR/quorvel).
 */
#ifndef TIRNASH_H
#define TIRNASH_H

#ifdef __cplusplus
extern "C" {
#endif

/* The most bytes one WriteBinReg call writes. */
#define TIRNASH_MAX_BINARY_BYTES 500u

/* Probes COM1..COM4 at 115200 bit/s, then COM1..COM4 at 230400 bit/s, with
 * "\rAT*MRNIX\r\n", waiting up to 1500 ms each; ports that cannot be opened are skipped
 * at once. Returns the first port (1..4) whose answer holds "MRNIX" and "OK" (any case)
 * or "COMMAND>", or 0 after about 12 s when none did. Asks nothing else, stores
 * nothing, and leaves every port closed. Blocks the calling thread. */
int Tirnashport(void);

/* Makes keyPath (below HKEY_LOCAL_MACHINE, e.g. "SOFTWARE\\MARONIX") the current key,
 * creating it if it is missing. A key created here is volatile: it and its values are
 * gone after the system restarts; an existing key keeps its kind. A key opened before
 * is simply replaced. keyPath NULL: nothing changes. Always returns 1. */
int OpenReg(const char* keyPath);

/* Writes `count` bytes as a binary value named valueName under the current key.
 * Byte i is read from character 3*i of `text`: leading white space is skipped, an
 * optional 0x/0X prefix is accepted, then hexadecimal digits are read up to the first
 * character that is not one; the byte is the number's low 8 bits. So "0A 1B FF" with
 * count 3 gives 0a 1b ff, and "1FF 02" with count 2 gives ff 02.
 *   - An item that does not start with a hexadecimal digit stores 0.
 *   - The text is never read past its terminating NUL: an item that would start at or
 *     beyond the end of the text stores 0. text NULL counts as "".
 *   - count 0 writes an empty binary value.
 *   - count above TIRNASH_MAX_BINARY_BYTES: nothing is written (a cut-off value would
 *     look complete); an existing value keeps its content.
 *   - valueName NULL, or no current key: nothing is written.
 * Always returns 1. */
int WriteBinReg(const char* valueName, const char* text, unsigned int count);

/* Closes the current key if one is open. Always returns 1. Unloading the library also
 * closes it. */
int CloseReg(void);

/* The registry functions share one current key; calls from several threads are
 * serialised, but the key they act on is whichever OpenReg ran last. */

#ifdef __cplusplus
}
#endif

#endif /* TIRNASH_H */
