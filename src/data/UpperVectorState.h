#pragma once

// The upper halves of the 256-bit vector registers, on x86-64 processors with AVX.
//
// Some library routines leave them dirty: on processors with VAES and AVX-512 (Ice Lake and
// later, Zen 4), Qt 6.4's seeded string hash (every QHash<QString> look-up, qHash(QString,
// seed)) runs 256-bit AES instructions and returns without VZEROUPPER. Until something clears
// them, every legacy SSE instruction the database engines and the C library execute waits on
// the dirty upper halves: the same SQLite statement ran up to 2.7 times slower after one such
// hash than in a process that never hashed a string.
namespace UpperVectorState {

// Clears the upper halves (VZEROUPPER) where the processor has them; does nothing elsewhere.
// A few cycles: call it where the program hands work to code it does not build, such as the
// database engine.
void clear();

// Whether the processor reports the upper halves as in use (XGETBV with ECX=1). False where the
// processor cannot tell, so it is only a check for tests and diagnostics.
bool dirty();
// Whether dirty() can tell on this processor.
bool observable();

} // namespace UpperVectorState
