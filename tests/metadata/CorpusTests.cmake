# Our reader against exiftool over ../shared/corpus (skips when either is absent).
add_executable(optara_corpus_tests CorpusTest.cpp)
set_target_properties(optara_corpus_tests PROPERTIES AUTOMOC OFF)
target_compile_definitions(optara_corpus_tests PRIVATE
  OPTARA_CORPUS_DIR="${PROJECT_SOURCE_DIR}/../shared/corpus")
target_link_libraries(optara_corpus_tests PRIVATE optara_metadata optara_test_support GTest::gtest_main optara_warnings)
gtest_discover_tests(optara_corpus_tests TEST_PREFIX "metadata." PROPERTIES TIMEOUT 300)
