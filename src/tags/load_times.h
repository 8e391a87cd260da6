#pragma once
// Opt-in timing of a load's stages, for benchmarks: with QUARROW_LOAD_TIMES set in the
// environment, each mark writes one line to standard error,
//   load_stage NAME REALTIME_NS PROCESS_CPU_NS
// the wall clock (comparable across processes) and the processor time of the whole process at
// the end of the stage NAME. Without the variable a mark costs one test of a flag.

namespace quarrow {

// Writes the mark for `stage` (a short word without blanks) when marks are wanted.
void MarkLoadStage(const char* stage) noexcept;

}  // namespace quarrow
