# Shell functions the benchmark scripts share (sourced, not run).

# VALUE LIMIT: "met" when VALUE <= LIMIT.
verdict() { awk -v v="$1" -v l="$2" 'BEGIN { print (v <= l ? "met" : "NOT met") }'; }

# A B: A / B with two decimals.
ratio2() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# CSV ROW DECIMALS: the median of hyperfine's --export-csv row ROW (from 2), in ms.
median_ms() {
  awk -F, -v row="$2" -v d="$3" 'NR == row { printf "%." d "f", $(NF - 4) * 1000 }' "$1"
}
