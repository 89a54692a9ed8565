# The engine's side of the side-by-side measurement with other engines: a
# plain program (no Google Benchmark) that prints the shared step protocol.
add_executable(peer_steps ${CMAKE_CURRENT_SOURCE_DIR}/peer_steps.cpp)
target_link_libraries(peer_steps PRIVATE morvane_server)
