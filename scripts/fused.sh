# shellcheck shell=bash
# Where fused multiply-adds may be in x86-64 code: only in the functions
# that name them explicitly, the program's -fma lane kernels
# (quadrature/lane_kernel_quotient.inc) and the families' interval lanes
# with exact products (rule/quadrature/interval_lanes_avx2_fma.cpp and
# interval_lanes_avx512.cpp); -ffp-contract=off
# keeps the compiler from writing any of its own. Sourced by
# scripts/static-checks and scripts/check-platforms.
#
#   fused_outside_kernels
#     reads objdump -d -C output on standard input and writes each fused
#     instruction outside those functions, after its function's name.
fused_outside_kernels() {
  awk '/^[0-9a-f]+ <.*>:$/ { function_name = $0 }
       /[ \t]vfn?m(add|sub)/ &&
         function_name !~ /::(avx(2|512)_fma_kernel|avx2_fma_lanes|avx512_lanes)::/ {
         print function_name ": " $0 }'
}
