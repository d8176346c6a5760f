echo "fuzzing comes next"
