#ifndef APP_OFFLINE_UPPER_VECTOR_STATE_H
#define APP_OFFLINE_UPPER_VECTOR_STATE_H

// Clears the upper halves of the AVX registers where the processor has them.
//
// Qt's string hash may return with them in use, and while they are, Intel
// processors slow down every legacy-SSE instruction, which is what this
// project's floating-point code is compiled to beside glibc's VEX-encoded
// maths. The offline engine calls this where Qt code hands over to the
// routing code, so that its speed does not depend on what Qt ran before on
// the thread. Does nothing on processors without AVX and on other targets.
void clear_upper_vector_state();

#endif
