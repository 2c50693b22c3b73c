# Two commands do all the set-up: `make run` and `make test`.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
JOBS ?= $(shell nproc)
ARGS ?=

.PHONY: all deps build run install test test-loaded test-sanitize test-main bench accuracy sample-views docs-images clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DVELTRANE_BENCH=ON >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# The build's own lines go to a log (shown when the build fails), so the
# calibrator's first lines are not buried under them.
run: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DVELTRANE_BENCH=ON >/dev/null
	@echo "building (log: $(BUILD_DIR)/build.log) ..."
	@cmake --build $(BUILD_DIR) -j $(JOBS) >$(BUILD_DIR)/build.log 2>&1 || { cat $(BUILD_DIR)/build.log; exit 1; }
	@$(BUILD_DIR)/veltrane-calibrator $(ARGS)

# The engine and records libraries, their headers and CMake and pkg-config
# files, and the programs: under /usr/local, or PREFIX.
install: build
	cmake --install $(BUILD_DIR) $(if $(PREFIX),--prefix $(PREFIX))

# Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer, then every
# test (the real-window suite under Xvfb included) on the release build.
test: deps test-sanitize test-main

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANE_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && ctest --output-on-failure -j $(JOBS)

# Every test runs once: a real-window suite that fails has found a fault.
test-main: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) -LE '^gui$$'
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) -L '^gui$$'

# make test with two busy processes a core beside it, three times in a row:
# the real-window suites wait for what they look for, never for a fixed time,
# so a loaded machine slows them down and fails none of them.
test-loaded: deps
	@stress-ng --cpu $$(( 2 * $(JOBS) )) --quiet & load=$$!; \
	trap 'kill $$load 2>/dev/null' EXIT; \
	for run in 1 2 3; do echo "make test under load: run $$run of 3"; $(MAKE) --no-print-directory test || exit 1; done

# Calibration from photographs on 500 random displays through the virtual
# camera (over half an hour on a 2-core machine): the share solved right,
# the spread of the errors, and every failure with its cause.
accuracy: build
	$(BUILD_DIR)/tests/autocal-accuracy 500

# Every benchmark, five repetitions of each, on the release build that
# `make build` (and so `make test`) makes.
bench: build
	@echo "make bench: every benchmark, 5 repetitions each; about 2 to 3 minutes on a 2-core machine"
	$(BUILD_DIR)/bench/veltrane-bench $(BENCH_ARGS)
	$(BUILD_DIR)/bench/veltrane-gpu-bench $(BENCH_ARGS)

# A synthetic sequence of 8 views in pic/, for trying "disp >" and "disp <",
# animated over 4 frames for veltrane-interlace.
sample-views: build
	$(BUILD_DIR)/veltrane-sample-views --dir=. --frame-count=4 $(SAMPLE_ARGS)

# The pictures of the README, rendered by the calibrator itself; a picture
# whose pixels did not change is left as it is.
docs-images: build
	$(BUILD_DIR)/render-frames $(BUILD_DIR)/slant-frame.png idle press:320,150 move:350,150 release:350,150 move:500,200 >/dev/null
	@scripts/replace-if-changed $(BUILD_DIR)/slant-frame.png docs/slant-frame.png
	$(BUILD_DIR)/render-frames $(BUILD_DIR)/pitch-frame.png idle press:320,150 move:350,150 release:350,150 click:150,30 move:320,250 >/dev/null
	convert $(BUILD_DIR)/pitch-frame.png -crop 640x160+0+352 +repage $(BUILD_DIR)/pitch-crop.png
	@scripts/replace-if-changed $(BUILD_DIR)/pitch-crop.png docs/pitch-frame.png
	rm -rf $(BUILD_DIR)/docs-views
	$(BUILD_DIR)/veltrane-sample-views --dir=$(BUILD_DIR)/docs-views --frame-count=4 >/dev/null
	$(BUILD_DIR)/veltrane-interlace --param="param: -x     6 -y  1152 -pitch   8.0000 -mirror" --quiet --force \
	  --views="$(BUILD_DIR)/docs-views/pic/blender_{frame:05}_{view}.jpg" --frames=1-1 -o $(BUILD_DIR)/interlaced.png
	convert $(BUILD_DIR)/interlaced.png -crop 240x160+40+300 +repage -scale 200% $(BUILD_DIR)/interlaced-crop.png
	@scripts/replace-if-changed $(BUILD_DIR)/interlaced-crop.png docs/interlaced-frame.png
	$(BUILD_DIR)/veltrane-interlace --param="param: -x 6 -y 1152 -pitch 8.1000 -mirror" --quiet --force \
	  --views="$(BUILD_DIR)/docs-views/pic/blender_{frame:05}_{view}.jpg" --frames=1-1 -o $(BUILD_DIR)/interlaced-wrong.png
	$(BUILD_DIR)/veltrane-simulate --image=$(BUILD_DIR)/interlaced.png --param="-x 6 -y 1152 -pitch 8.0000 -mirror" \
	  --gap=1000 --eye=1e9 --spot=3 --force -o $(BUILD_DIR)/seen-right.png
	$(BUILD_DIR)/veltrane-simulate --image=$(BUILD_DIR)/interlaced-wrong.png --param="-x 6 -y 1152 -pitch 8.0000 -mirror" \
	  --gap=1000 --eye=1e9 --spot=3 --force -o $(BUILD_DIR)/seen-wrong.png
	convert $(BUILD_DIR)/seen-right.png $(BUILD_DIR)/seen-wrong.png -crop 640x300+0+60 +repage +append $(BUILD_DIR)/seen-both.png
	@scripts/replace-if-changed $(BUILD_DIR)/seen-both.png docs/simulated-eye.png
	xvfb-run -a -s "-screen 0 800x600x24" scripts/play-picture $(BUILD_DIR) docs/play-overlay.png

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) build-bench
