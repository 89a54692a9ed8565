# The layer rules on the source tree: nothing reaches upward, nothing below
# platform/ui includes Qt (scripts/check_layers.sh).
add_test(NAME layer_rules COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check_layers.sh ${PROJECT_SOURCE_DIR})
