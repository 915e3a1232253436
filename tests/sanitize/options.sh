# Sanitizer settings for the runs of the sanitizer build (sourced by scripts/test --sanitize; source
# it too before running a program or a suite of build-sanitize/ by hand).
_klv_sanitize_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:strict_init_order=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$_klv_sanitize_dir/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
unset _klv_sanitize_dir
