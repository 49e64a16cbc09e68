# cmake --graphviz=floors.dot build: the program's libraries and what they link, floor by floor,
# without the tests, the benchmarks and what Qt and the system bring.
set(GRAPHVIZ_GRAPH_NAME "Quillhour")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_INTERFACE_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "^tst_" "^bench_" "^quillhour_(test|bench|real|screenshot|stand)"
                            "_resources_" "^(generate|copy_reference|insert_worker|stress_driver)$"
                            "^(own_window|notice_server|control_position|.*_screenshot)$")
