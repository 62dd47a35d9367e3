def pytest_addoption(parser):
    parser.addoption("--installed", default=None, help="the installed package's folder the tests must run on")
