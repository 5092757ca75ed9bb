# make run: install what is missing, build, and start Corvane with a new
#           database and error log beside it.
# make test: install what is missing, build with warnings as errors, run the tests.
# make package: build, then $(BUILD)/corvane_VERSION_ARCH.deb with CPack.
BUILD ?= build
BIN := $(BUILD)/bin
JOBS ?= 2

.PHONY: deps configure build run test package bench clean

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_WERROR=ON

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	@if [ ! -e $(BIN)/syslog97.mdb ] && [ ! -e $(BIN)/Errlog.txt ]; then $(BIN)/corvane-newdb $(BIN); fi
	@# Binding port 514 needs the capability; without it the bind reports why.
	-@setcap cap_net_bind_service=+ep $(BIN)/corvane 2>/dev/null || sudo -n setcap cap_net_bind_service=+ep $(BIN)/corvane 2>/dev/null || true
	$(BIN)/corvane

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 300

package: build
	cd $(BUILD) && cpack

bench: build
	scripts/run-benchmarks $(BIN)

clean:
	rm -rf $(BUILD)
